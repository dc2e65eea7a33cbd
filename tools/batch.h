// Runs a job on every input of a walk with several worker threads and hands
// the results on in input order, whatever order they finish in.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "walk.h"

namespace exifkit::cli {

// work(const std::vector<input>&, Result&, handover) handles a chunk of
// inputs on the workers, filling a result that starts out empty
// (Result::clear()); emit(const Result&) hands each chunk's result on, on the
// calling thread, in input order. A work that has filled its result far
// enough calls handover(Result&), which hands the part done so far on as soon
// as the chunk's turn has come (waiting for it) and leaves the result empty,
// so that a worker holds no more than one large part. Threads meet once per
// chunk rather than once per file, and at most a few chunks per worker are
// taken from the walk ahead of the next one to hand on, so memory stays flat
// however many files there are. Without workers, inputs go one at a time
// through one result.
template <class Result, class Work, class Emit>
void runbatch(walker& inputs, unsigned workers, Work work, Emit emit)
{
    if (workers <= 1) {
        Result r;
        std::vector<input> one(1);
        const std::function<void(Result&)> handover = [&emit](Result& part) {
            emit(part);
            part.clear();
        };
        while (inputs.next(one[0])) {
            r.clear();
            work(one, r, handover);
            emit(r);
        }
        return;
    }

    // Chunks grow from one file to CHUNK as the walk goes on, so that a short
    // run is shared between the workers too.
    constexpr std::size_t CHUNK = 64;
    std::size_t files = 0;
    using chunk = std::vector<input>;
    // A part of a chunk's result: (chunk, part) orders them, `last` ends the chunk.
    using partkey = std::pair<std::size_t, std::size_t>;
    struct part {
        Result result;
        bool last;
    };
    std::mutex lock;
    std::condition_variable queued, finished, taken;
    std::deque<std::pair<std::size_t, chunk>> todo;
    std::map<partkey, part> done;
    std::vector<Result> spare;  // results handed on, kept for their memory
    partkey next{0, 0};         // the part to hand on next
    bool closing = false;

    // Under the lock: a result to fill, empty.
    auto fresh = [&spare] {
        Result result;
        if (!spare.empty()) {
            result = std::move(spare.back());
            spare.pop_back();
        }
        return result;
    };
    auto worker = [&] {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            queued.wait(held, [&] { return !todo.empty() || closing; });
            if (todo.empty())
                return;
            auto [seq, ins] = std::move(todo.front());
            todo.pop_front();
            partkey key{seq, 0};
            Result result = fresh();
            held.unlock();
            result.clear();
            const std::function<void(Result&)> handover = [&](Result& r) {
                std::unique_lock<std::mutex> turn(lock);
                taken.wait(turn, [&] { return next == key; });
                done.emplace(key, part{std::move(r), false});
                ++key.second;
                finished.notify_one();
                r = fresh();
                turn.unlock();
                r.clear();
            };
            work(ins, result, handover);
            held.lock();
            done.emplace(key, part{std::move(result), true});
            finished.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back(worker);

    const std::size_t window = 4 * static_cast<std::size_t>(workers);
    std::size_t issued = 0;
    bool more = true;
    while (more || next.first < issued) {
        while (more && issued - next.first < window) {
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
        if (next.first == issued)
            continue;
        std::unique_lock<std::mutex> held(lock);
        finished.wait(held, [&] { return done.count(next) != 0; });
        auto node = done.extract(next);
        next = node.mapped().last ? partkey{next.first + 1, 0} : partkey{next.first, next.second + 1};
        taken.notify_all();
        held.unlock();
        emit(node.mapped().result);
        held.lock();
        spare.push_back(std::move(node.mapped().result));
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
