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
//
// The table counts the slots its lookups look at. Hashes keyed by a process secret
// spread any file's texts, so lookups look at a few slots each; should they look at
// more than MeanProbeLimit on average all the same, the table is crowded(), and the
// caller turns to a way that cannot degrade (a sort), so that no input costs more
// than O(N log N).
class RowHashTable {
public:
    // The mean slots a lookup may look at before the table counts as crowded (at
    // three quarters full, a lookup of a text not held looks at 8.5 on average), and
    // the slots any table may look at regardless. Per thread; tests lower them to
    // drive callers onto their fallback.
    static inline thread_local std::uint64_t MeanProbeLimit = 16;
    static inline thread_local std::uint64_t ProbeAllowance = 4096;
    // The slots looked at by every table of this thread so far, for tests.
    static std::uint64_t probesOnThisThread() noexcept { return t_probes; }

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
        std::size_t probes = 1;
        for (std::size_t index = indexOf(hash);; index = next(index), ++probes) {
            const std::uint32_t slot = m_slots[index];
            if (slot == 0) {
                count(probes);
                return -1;
            }
            if ((slot & ~m_idMask) == tag && equal(idOf(slot))) {
                count(probes);
                return idOf(slot);
            }
        }
    }

    // As find(), but when no entry is accepted, adds `id` (below the id limit, and
    // at most capacity() ids in all) and answers -1.
    template <class Equal>
    std::int32_t findOrInsert(std::uint64_t hash, std::int32_t id, Equal&& equal)
    {
        const std::uint32_t tag = tagOf(hash);
        std::size_t probes = 1;
        for (std::size_t index = indexOf(hash);; index = next(index), ++probes) {
            const std::uint32_t slot = m_slots[index];
            if (slot == 0) {
                m_slots[index] = tag | (static_cast<std::uint32_t>(id) + 1);
                count(probes);
                return -1;
            }
            if ((slot & ~m_idMask) == tag && equal(idOf(slot))) {
                count(probes);
                return idOf(slot);
            }
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

    // Forgets every id and what the lookups cost; keeps the capacity.
    void clear() noexcept;

    // True once the lookups have looked at more slots than MeanProbeLimit a lookup
    // and ProbeAllowance allow.
    bool crowded() const noexcept { return m_probes > MeanProbeLimit * m_lookups + ProbeAllowance; }

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

    void count(std::size_t probes) const noexcept
    {
        m_probes += probes;
        ++m_lookups;
        t_probes += probes;
    }

    static inline thread_local std::uint64_t t_probes = 0;

    std::vector<std::uint32_t> m_slots; // 0: empty; else the tag bits and id + 1
    mutable std::uint64_t m_probes = 0; // slots looked at (a cost count, not the table's content)
    mutable std::uint64_t m_lookups = 0;
    std::size_t m_capacity = 0;
    std::uint32_t m_idMask = 0;
};

} // namespace kvd
