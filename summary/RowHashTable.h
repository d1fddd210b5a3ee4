#pragma once

#include <cstdint>
#include <vector>

namespace kvd {

// A compact open-addressing hash table of 32-bit ids (8 bytes a slot), for sets of
// texts that stay where they are (cells of a data table). The table stores no text:
// the caller gives each lookup the text's 64-bit hash and a test that tells whether
// the text of an id equals the one looked for. Linear probing; grows at half full.
class RowHashTable {
public:
    RowHashTable();

    // The id of the first slot with this hash whose id `equal` accepts; -1 when none.
    // `equal` is called only for ids whose stored hash bits match.
    template <class Equal>
    std::int32_t find(std::uint64_t hash, Equal&& equal) const
    {
        const std::uint32_t tag = tagOf(hash);
        for (std::size_t index = tag & m_mask;; index = (index + 1) & m_mask) {
            const Slot& slot = m_slots[index];
            if (slot.id < 0)
                return -1;
            if (slot.tag == tag && equal(slot.id))
                return slot.id;
        }
    }

    // Adds id under hash, without looking for an equal text first. id must be >= 0.
    void insert(std::uint64_t hash, std::int32_t id);

    // Makes room for `count` ids without growing again.
    void reserve(std::size_t count);

    std::size_t size() const noexcept { return m_size; }
    void clear();

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::int32_t id = -1; // -1: empty
    };

    static std::uint32_t tagOf(std::uint64_t hash) noexcept
    {
        // Mixes every bit of the hash into the 32 kept ones (which also pick the slot).
        return static_cast<std::uint32_t>((hash * 0x9E3779B97F4A7C15ULL) >> 32);
    }
    void place(std::uint32_t tag, std::int32_t id);
    void rehash(std::size_t slotCount);

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_size = 0;
};

} // namespace kvd
