// Chunks read on two threads are folded in chunk order, each from the slot it was
// read into, also when later chunks are read first; a failure or an early end stops
// both threads.

#include "summary/OrderedChunks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <vector>

namespace kvd {
namespace {

TEST(OrderedChunks, foldsInChunkOrderFromTheirOwnSlotsWhenLaterChunksAreReadFirst)
{
    constexpr std::size_t Count = 41;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> read(Count, false);
    bool firstReader = false;
    bool secondReader = false;
    int readAheadOfAnEarlierChunk = 0;
    std::array<std::optional<std::size_t>, ChunkSlotCount> slotHolds;
    std::vector<std::size_t> folded;

    ChunkWork work;
    work.chunkCount = Count;
    work.read = [&](std::size_t chunk, std::size_t slot, int reader) {
        std::unique_lock lock(mutex);
        EXPECT_FALSE(slotHolds[slot].has_value()) << "chunk " << chunk << " overwrites a chunk not yet folded";
        // The second thread waits until the calling thread reads too; the calling
        // thread holds each chunk it reads until the chunk after it is read (by the
        // second thread, as the first is busy).
        if (reader == 1) {
            secondReader = true;
            changed.wait(lock, [&] { return firstReader; });
        } else {
            firstReader = true;
            changed.notify_all();
            if (chunk + 1 < Count)
                changed.wait(lock, [&] { return read[chunk + 1]; });
        }
        read[chunk] = true;
        slotHolds[slot] = chunk;
        if (std::find(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(chunk), false)
            != read.begin() + static_cast<std::ptrdiff_t>(chunk))
            ++readAheadOfAnEarlierChunk;
        changed.notify_all();
    };
    work.fold = [&](std::size_t chunk, std::size_t slot) {
        std::lock_guard lock(mutex);
        EXPECT_EQ(slotHolds[slot], chunk);
        slotHolds[slot].reset();
        folded.push_back(chunk);
        return true;
    };
    runOrderedChunks(work, true);

    std::vector<std::size_t> inOrder(Count);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(folded, inOrder);
    EXPECT_TRUE(secondReader);
    EXPECT_GT(readAheadOfAnEarlierChunk, 0);
}

TEST(OrderedChunks, aFailureOnEitherThreadOrAnEarlyEndStopsBoth)
{
    for (const bool twoThreads : {false, true}) {
        std::mutex mutex;
        std::size_t lastRead = 0;
        ChunkWork work;
        work.chunkCount = 1000;
        work.read = [&](std::size_t chunk, std::size_t, int) {
            std::lock_guard lock(mutex);
            lastRead = std::max(lastRead, chunk);
            if (chunk == 7)
                throw std::runtime_error("chunk 7");
        };
        work.fold = [](std::size_t, std::size_t) { return true; };
        EXPECT_THROW(runOrderedChunks(work, twoThreads), std::runtime_error);
        EXPECT_LT(lastRead, 7 + ChunkSlotCount); // the ring bounds how far the other thread read

        std::size_t foldCount = 0;
        lastRead = 0;
        work.read = [&](std::size_t chunk, std::size_t, int) {
            std::lock_guard lock(mutex);
            lastRead = std::max(lastRead, chunk);
        };
        work.fold = [&](std::size_t chunk, std::size_t) {
            ++foldCount;
            return chunk < 5;
        };
        runOrderedChunks(work, twoThreads);
        EXPECT_EQ(foldCount, 6u);
        EXPECT_LT(lastRead, 5 + ChunkSlotCount);
    }
}

} // namespace
} // namespace kvd
