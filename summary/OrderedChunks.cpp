#include "summary/OrderedChunks.h"

#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace kvd {

namespace {

// The shared state of one run. A thread takes the next chunk once its slot is free
// (the chunk ChunkSlotCount before it is folded), reads it without the lock, marks it
// read, and then folds every read chunk that is next in order, unless the other thread
// is folding already: that one then folds it too, since it looks for the next read
// chunk under the lock after each fold. So neither waits for the other except when
// the ring is full.
class ChunkRun {
public:
    explicit ChunkRun(const ChunkWork& work) : m_work(work) {}

    void work(int reader) noexcept
    {
        try {
            takeChunks(reader);
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            m_stopped = true;
            m_changed.notify_all();
        }
    }

    void rethrowFailure() const
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    void takeChunks(int reader)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_stopped || m_next >= m_work.chunkCount || m_next < m_folded + ChunkSlotCount; });
            if (m_stopped || m_next >= m_work.chunkCount)
                return;
            const std::size_t chunk = m_next++;
            lock.unlock();
            m_work.read(chunk, chunk % ChunkSlotCount, reader);
            lock.lock();
            m_read[chunk % ChunkSlotCount] = true;
            if (!m_folding)
                foldReadChunks(lock);
        }
    }

    void foldReadChunks(std::unique_lock<std::mutex>& lock)
    {
        m_folding = true;
        while (!m_stopped && m_folded < m_work.chunkCount && m_read[m_folded % ChunkSlotCount]) {
            const std::size_t chunk = m_folded;
            lock.unlock();
            const bool more = m_work.fold(chunk, chunk % ChunkSlotCount);
            lock.lock();
            m_read[chunk % ChunkSlotCount] = false;
            ++m_folded;
            if (!more)
                m_stopped = true;
            m_changed.notify_all();
        }
        m_folding = false;
    }

    const ChunkWork& m_work;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;   // the next chunk to read
    std::size_t m_folded = 0; // the chunks folded: 0..m_folded-1
    std::array<bool, ChunkSlotCount> m_read{}; // the slot holds a chunk read, not yet folded
    bool m_folding = false;
    bool m_stopped = false;
    std::exception_ptr m_failure;
};

} // namespace

void runOrderedChunks(const ChunkWork& work, bool twoThreads)
{
    ChunkRun run(work);
    {
        std::optional<std::jthread> second; // joined on leaving the block
        if (twoThreads && work.chunkCount > 1) {
            try {
                second.emplace([&run] { run.work(1); });
            } catch (const std::system_error&) {
                // No thread to be had: this one takes every chunk.
            }
        }
        run.work(0);
    }
    run.rethrowFailure();
}

} // namespace kvd
