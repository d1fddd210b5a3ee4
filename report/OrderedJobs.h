#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kvd {

// Runs produce(i) for every i in [0, count) on up to `jobs` threads and hands each
// result to consume(i, result) on the calling thread, in index order, as soon as it
// and every result before it are ready. A job starts only while fewer than `jobs`
// results are started and not yet consumed, so at most `jobs` results exist at once.
// With one job (or one index) everything runs on the calling thread. produce must
// not throw; consume may, and the jobs still running are then finished and dropped.
template <class Result>
void runOrderedJobs(int count, int jobs, const std::function<Result(int)>& produce,
                    const std::function<void(int, Result&)>& consume)
{
    jobs = std::clamp(jobs, 1, std::max(count, 1));
    if (jobs == 1) {
        for (int index = 0; index < count; ++index) {
            Result result = produce(index);
            consume(index, result);
        }
        return;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<Result>> results(static_cast<std::size_t>(count));
    int nextIndex = 0; // the next index to start
    int consumed = 0;  // results handed to consume and released
    bool stopping = false;

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stopping || nextIndex >= count || nextIndex < consumed + jobs; });
            if (stopping || nextIndex >= count)
                return;
            const int index = nextIndex++;
            lock.unlock();
            Result result = produce(index);
            lock.lock();
            results[static_cast<std::size_t>(index)] = std::move(result);
            changed.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    for (int worker = 0; worker < jobs; ++worker)
        workers.emplace_back(work);

    const auto stop = [&] {
        std::lock_guard lock(mutex);
        stopping = true;
        changed.notify_all();
    };
    try {
        for (int index = 0; index < count; ++index) {
            std::optional<Result>& slot = results[static_cast<std::size_t>(index)];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return slot.has_value(); });
            }
            consume(index, *slot);
            std::lock_guard lock(mutex);
            slot.reset();
            ++consumed;
            changed.notify_all();
        }
    } catch (...) {
        stop();
        throw;
    }
}

} // namespace kvd
