#pragma once

#include <cstddef>
#include <functional>

namespace kvd {

// Work cut into chunks 0..chunkCount-1 that are read apart, each into one slot of a
// small ring of buffers, and folded into one result strictly in chunk order.
struct ChunkWork {
    std::size_t chunkCount = 0;
    // Reads `chunk` into buffer `slot` (0..ChunkSlotCount-1). `reader` (0 or 1) names
    // the thread, for state each thread keeps of its own. Two calls may run at once,
    // on different chunks and slots.
    std::function<void(std::size_t chunk, std::size_t slot, int reader)> read;
    // Folds the chunk read into `slot`. Called for chunk 0, 1, 2... in that order,
    // one call at a time, on either thread. Returns false once no later chunk can
    // change the result: the rest is then neither read nor folded.
    std::function<bool(std::size_t chunk, std::size_t slot)> fold;
};

// The number of slots of the ring: at most this many chunks are read and not yet
// folded at any time, so the buffers held do not grow with the work.
constexpr std::size_t ChunkSlotCount = 4;

// Runs the work on the calling thread and, when `twoThreads` and a thread can be
// started, on a second one beside it; returns once both are done. An exception from
// read or fold on either thread stops both and is rethrown here (the first one).
void runOrderedChunks(const ChunkWork& work, bool twoThreads);

} // namespace kvd
