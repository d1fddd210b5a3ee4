#include "report/OrderedJobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kvd {
namespace {

// Results come in index order, and no more than `jobs` of them are ever started and
// not yet consumed: job 0 holds its thread until every other thread has started a
// job, so that a runner without the bound would start more while it waits.
TEST(OrderedJobs, consumesInOrderAndHoldsAtMostJobsResults)
{
    for (const int jobs : {1, 2, 3, 7}) {
        const int count = 40;
        std::atomic<int> started = 0;
        std::atomic<int> held = 0;
        std::atomic<int> mostHeld = 0;
        std::vector<int> consumed;
        runOrderedJobs<int>(
            count, jobs,
            [&](int index) {
                ++started;
                const int now = ++held;
                for (int most = mostHeld; now > most && !mostHeld.compare_exchange_weak(most, now);) {
                }
                if (index == 0) {
                    while (started < jobs)
                        std::this_thread::yield();
                    for (int i = 0; i < 1000; ++i)
                        std::this_thread::yield();
                }
                return index * index;
            },
            [&](int index, int& result) {
                EXPECT_EQ(result, index * index);
                consumed.push_back(index);
                --held;
            });
        ASSERT_EQ(consumed.size(), static_cast<std::size_t>(count)) << jobs;
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(consumed[static_cast<std::size_t>(i)], i);
        EXPECT_LE(mostHeld, jobs);
        EXPECT_EQ(started, count);
    }
}

// An output failure stops the run: the error reaches the caller once the jobs under
// way have ended, and no job starts after it.
TEST(OrderedJobs, aConsumerErrorEndsTheRun)
{
    std::atomic<int> started = 0;
    EXPECT_THROW(runOrderedJobs<int>(
                     1000, 3, [&](int index) { return ++started, index; },
                     [](int index, int&) {
                         if (index == 5)
                             throw std::runtime_error("stdout closed");
                     }),
                 std::runtime_error);
    EXPECT_LE(started, 5 + 3);
}

} // namespace
} // namespace kvd
