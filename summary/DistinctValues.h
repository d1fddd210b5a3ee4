#pragma once

#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/DuplicateRows.h"
#include "summary/Tally.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace kvd {

// The distinct values of a column over the rows [beginRow, endRow): texts equal
// under `collation` form one value, which keeps the spelling met first. Built in
// one pass over the rows (exact spellings counted in a hash table that grows with
// the spellings met), then one sort of the spellings by collation key (full keys
// held in one buffer, rank keys made again when compared); only the tallies are
// kept. Texts are bytes in `encoding`, read through textOfRow and never copied:
// what it reads must stay as long as this object (find() and exactCount() read again).
// Should the hash table be crowded all the same (see RowHashTable), the spellings are
// counted by a sort of the rows by their bytes instead: no column costs more than
// N log N.
class DistinctValues {
public:
    DistinctValues(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                   int endRow);

    // The values present, in collation order; counts are of exact spellings (every
    // byte, letter case included).
    const std::vector<Tally>& tallies() const noexcept { return m_tallies; }
    std::vector<Tally> takeTallies() noexcept { return std::move(m_tallies); }
    int size() const noexcept { return static_cast<int>(m_tallies.size()); }

    // The index in tallies() of the value equal to text under the collation, or -1.
    int find(std::string_view text) const;
    // Drops tallies()[index].
    void remove(int index);

    // The number of rows spelled exactly `text` (a pass over the rows).
    int exactCount(std::string_view text) const;

private:
    const Collation& m_collation;
    TextEncoding m_encoding;
    TextOfRow m_textOfRow;
    int m_beginRow;
    int m_endRow;
    bool m_ranked = false; // every spelling has a rank key
    std::vector<Tally> m_tallies;
};

} // namespace kvd
