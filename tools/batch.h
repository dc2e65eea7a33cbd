// Runs a job on every input of a walk with several worker threads and hands
// the results on in input order, whatever order they finish in.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "walk.h"

namespace exifkit::cli {

// work(const input&) -> Result runs on the workers; emit(Result&) on the
// calling thread, in input order. At most `window` inputs are taken from the
// walk ahead of the next result to hand on, so memory stays flat however
// many files there are.
template <class Result, class Work, class Emit>
void runbatch(walker& inputs, unsigned workers, Work work, Emit emit)
{
    if (workers <= 1) {
        for (input in; inputs.next(in);) {
            Result r = work(in);
            emit(r);
        }
        return;
    }

    std::mutex lock;
    std::condition_variable queued, finished;
    std::deque<std::pair<std::size_t, input>> todo;
    std::map<std::size_t, Result> done;
    bool closing = false;

    auto worker = [&] {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            queued.wait(held, [&] { return !todo.empty() || closing; });
            if (todo.empty())
                return;
            auto [seq, in] = std::move(todo.front());
            todo.pop_front();
            held.unlock();
            Result r = work(in);
            held.lock();
            done.emplace(seq, std::move(r));
            finished.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back(worker);

    const std::size_t window = 8 * static_cast<std::size_t>(workers);
    std::size_t issued = 0, emitted = 0;
    bool more = true;
    while (more || emitted < issued) {
        while (more && issued - emitted < window) {
            input in;
            more = inputs.next(in);
            if (!more)
                break;
            const std::lock_guard<std::mutex> held(lock);
            todo.emplace_back(issued++, std::move(in));
            queued.notify_one();
        }
        if (emitted == issued)
            continue;
        std::unique_lock<std::mutex> held(lock);
        finished.wait(held, [&] { return done.count(emitted) != 0; });
        auto node = done.extract(emitted);
        held.unlock();
        emit(node.mapped());
        ++emitted;
    }
    {
        const std::lock_guard<std::mutex> held(lock);
        closing = true;
    }
    queued.notify_all();
    for (std::thread& t : threads)
        t.join();
}

}  // namespace exifkit::cli
