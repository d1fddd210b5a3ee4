#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kvd {

namespace detail {

// The results of runOrderedJobs on several threads: workers start indexes in turn and
// store their results; the caller takes them in index order and releases each slot.
template <class Result>
class OrderedResults {
public:
    OrderedResults(int count, int jobs, const std::function<Result(int)>& produce)
        : m_count(count), m_jobs(jobs), m_produce(produce), m_results(static_cast<std::size_t>(count))
    {
    }

    // A worker's loop: starts the next index while fewer than `jobs` results are
    // started and not yet released, until every index is started or stop() is called.
    void work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_stopping || m_nextIndex >= m_count || m_nextIndex < m_released + m_jobs; });
            if (m_stopping || m_nextIndex >= m_count)
                return;
            const int index = m_nextIndex++;
            lock.unlock();
            Result result = m_produce(index);
            lock.lock();
            m_results[static_cast<std::size_t>(index)] = std::move(result);
            m_changed.notify_all();
        }
    }

    // The result of `index`, once it is there.
    Result& waitFor(int index)
    {
        std::optional<Result>& slot = m_results[static_cast<std::size_t>(index)];
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return slot.has_value(); });
        return *slot;
    }

    // Drops the result of `index` (the next one in order) and lets another job start.
    void release(int index)
    {
        std::lock_guard lock(m_mutex);
        m_results[static_cast<std::size_t>(index)].reset();
        ++m_released;
        m_changed.notify_all();
    }

    // Workers start no further index.
    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
    }

private:
    const int m_count;
    const int m_jobs;
    const std::function<Result(int)>& m_produce;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::optional<Result>> m_results;
    int m_nextIndex = 0; // the next index to start
    int m_released = 0;  // results handed to consume and released
    bool m_stopping = false;
};

} // namespace detail

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
    detail::OrderedResults<Result> results(count, jobs, produce);
    std::vector<std::jthread> workers; // joined on leaving, after the results' last use
    for (int worker = 0; worker < jobs; ++worker)
        workers.emplace_back([&results] { results.work(); });
    try {
        for (int index = 0; index < count; ++index) {
            consume(index, results.waitFor(index));
            results.release(index);
        }
    } catch (...) {
        results.stop();
        throw;
    }
}

} // namespace kvd
