// Runs a job on every input of a walk with several worker threads and hands
// the results on in input order, whatever order they finish in.
#pragma once

#include <algorithm>
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

// work(const std::vector<input>&, Result&) handles a chunk of inputs on the
// workers, filling a result that starts out empty (Result::clear());
// emit(const Result&) hands each chunk's result on, on the calling thread,
// in input order. Threads meet once per chunk rather than once per file, and
// at most a few chunks per worker are taken from the walk ahead of the next
// one to hand on, so memory stays flat however many files there are.
// Without workers, inputs go one at a time through one result.
template <class Result, class Work, class Emit>
void runbatch(walker& inputs, unsigned workers, Work work, Emit emit)
{
    if (workers <= 1) {
        Result r;
        std::vector<input> one(1);
        while (inputs.next(one[0])) {
            r.clear();
            work(one, r);
            emit(r);
        }
        return;
    }

    // Chunks grow from one file to CHUNK as the walk goes on, so that a short
    // run is shared between the workers too.
    constexpr std::size_t CHUNK = 64;
    std::size_t files = 0;
    using chunk = std::vector<input>;
    std::mutex lock;
    std::condition_variable queued, finished;
    std::deque<std::pair<std::size_t, chunk>> todo;
    std::map<std::size_t, Result> done;
    std::vector<Result> spare;  // results handed on, kept for their memory
    bool closing = false;

    auto worker = [&] {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            queued.wait(held, [&] { return !todo.empty() || closing; });
            if (todo.empty())
                return;
            auto [seq, ins] = std::move(todo.front());
            todo.pop_front();
            Result result;
            if (!spare.empty()) {
                result = std::move(spare.back());
                spare.pop_back();
            }
            held.unlock();
            result.clear();
            work(ins, result);
            held.lock();
            done.emplace(seq, std::move(result));
            finished.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back(worker);

    const std::size_t window = 4 * static_cast<std::size_t>(workers);
    std::size_t issued = 0, emitted = 0;
    bool more = true;
    while (more || emitted < issued) {
        while (more && issued - emitted < window) {
            chunk ins;
            input in;
            const std::size_t size = std::min(CHUNK, 1 + files / (4 * static_cast<std::size_t>(workers)));
            while (ins.size() < size && (more = inputs.next(in)))
                ins.push_back(std::move(in));
            files += ins.size();
            if (ins.empty())
                break;
            const std::lock_guard<std::mutex> held(lock);
            todo.emplace_back(issued++, std::move(ins));
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
        held.lock();
        spare.push_back(std::move(node.mapped()));
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
