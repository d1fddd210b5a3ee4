#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace kvd {

// A compact open-addressing hash table of ids 0..idLimit-1, for sets of texts that
// stay where they are (cells of a data table): 4 bytes a slot, sized once for the
// most ids it will hold (its capacity), at most three quarters full. A caller that
// needs more room builds a larger table and adds its ids again. The table stores no text: the
// caller gives each lookup the text's 64-bit hash and a test that tells whether the
// text of an id equals the one looked for. Each slot keeps the id and, in the bits
// the id leaves free, part of the hash, so that `equal` is rarely asked about an id
// of another text. Linear probing. Allocates only in the constructor.
class RowHashTable {
public:
    // Room for `capacity` ids, each below `idLimit`.
    RowHashTable(std::size_t capacity, std::size_t idLimit);
    // Room for every id below `capacity`.
    explicit RowHashTable(std::size_t capacity) : RowHashTable(capacity, capacity) {}

    // The most ids the table can hold.
    std::size_t capacity() const noexcept { return m_capacity; }

    // Room to start with for ids met one a row over `rowCount` rows: enough for
    // FirstCapacity, and never more than rowCount.
    static constexpr std::size_t FirstCapacity = 1024;
    static std::size_t firstCapacity(std::size_t rowCount) noexcept { return std::min(FirstCapacity, rowCount); }
    // The room of the table that replaces a full one of `capacity`, whose ids came
    // from the first `rowsMet` of `rowCount` rows: twice as much, or what the ids met
    // so far foretell for all the rows when that is more (then a run of distinct
    // texts rehashes only its first rows once more), never more than rowCount.
    static std::size_t grownCapacity(std::size_t capacity, std::size_t rowsMet, std::size_t rowCount) noexcept;

    // Starts loading the slot where a lookup of hash begins (a hint only).
    void prefetch(std::uint64_t hash) const noexcept { __builtin_prefetch(&m_slots[indexOf(hash)]); }

    // The id of the first entry with this hash that `equal` accepts, or -1.
    template <class Equal>
    std::int32_t find(std::uint64_t hash, Equal&& equal) const
    {
        const std::uint32_t tag = tagOf(hash);
        for (std::size_t index = indexOf(hash);; index = next(index)) {
            const std::uint32_t slot = m_slots[index];
            if (slot == 0)
                return -1;
            if ((slot & ~m_idMask) == tag && equal(idOf(slot)))
                return idOf(slot);
        }
    }

    // As find(), but when no entry is accepted, adds `id` (below the id limit, and
    // at most capacity() ids in all) and answers -1.
    template <class Equal>
    std::int32_t findOrInsert(std::uint64_t hash, std::int32_t id, Equal&& equal)
    {
        const std::uint32_t tag = tagOf(hash);
        for (std::size_t index = indexOf(hash);; index = next(index)) {
            const std::uint32_t slot = m_slots[index];
            if (slot == 0) {
                m_slots[index] = tag | (static_cast<std::uint32_t>(id) + 1);
                return -1;
            }
            if ((slot & ~m_idMask) == tag && equal(idOf(slot)))
                return idOf(slot);
        }
    }

    // Calls visit(id) for every id held, in no particular order.
    template <class Visit>
    void forEachId(Visit&& visit) const
    {
        for (const std::uint32_t slot : m_slots) {
            if (slot != 0)
                visit(idOf(slot));
        }
    }

    // Forgets every id; keeps the capacity.
    void clear() noexcept;

private:
    std::size_t indexOf(std::uint64_t hash) const noexcept
    {
        // The low half of the hash, scaled onto the slots.
        return static_cast<std::size_t>(((hash & 0xFFFFFFFFu) * m_slots.size()) >> 32);
    }
    std::uint32_t tagOf(std::uint64_t hash) const noexcept
    {
        return static_cast<std::uint32_t>(hash >> 32) & ~m_idMask;
    }
    std::int32_t idOf(std::uint32_t slot) const noexcept { return static_cast<std::int32_t>((slot & m_idMask) - 1); }
    std::size_t next(std::size_t index) const noexcept { return index + 1 == m_slots.size() ? 0 : index + 1; }

    std::vector<std::uint32_t> m_slots; // 0: empty; else the tag bits and id + 1
    std::size_t m_capacity = 0;
    std::uint32_t m_idMask = 0;
};

} // namespace kvd
