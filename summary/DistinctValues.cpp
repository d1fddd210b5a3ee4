#include "summary/DistinctValues.h"

#include "summary/RowHashTable.h"

#include <algorithm>
#include <string>

namespace kvd {

namespace {

// The exact spellings of a column, in order of first appearance.
struct Spellings {
    std::vector<std::int32_t> firstRows;
    std::vector<std::int32_t> counts;
    bool allRanked = true; // every spelling has a rank key
    std::size_t byteCount = 0; // of all spellings together
};

// The sort keys of the spellings of a column. Full keys are made once and held one
// after the other in one buffer; rank keys, cheap to make, are made again from the
// text whenever one is asked for, which spares holding them.
class SpellingKeys {
public:
    SpellingKeys(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow,
                 const Spellings& spellings)
        : m_collation(collation), m_textOfRow(textOfRow), m_spellings(spellings)
    {
        if (spellings.allRanked)
            return;
        m_ends.reserve(spellings.firstRows.size());
        m_bytes.reserve(spellings.byteCount); // full keys are about as long as their texts
        for (const std::int32_t row : spellings.firstRows) {
            collation.appendKey(textOfRow(row), encoding, m_bytes);
            m_ends.push_back(m_bytes.size());
        }
    }

    std::size_t size() const noexcept { return m_spellings.firstRows.size(); }

    // The key of a spelling. A rank key is made in `scratch`: the answer holds while
    // scratch is left alone.
    std::string_view key(std::size_t spelling, std::string& scratch) const
    {
        if (m_spellings.allRanked) {
            scratch.clear();
            m_collation.appendRankKey(m_textOfRow(m_spellings.firstRows[spelling]), scratch);
            return scratch;
        }
        const std::size_t begin = spelling == 0 ? 0 : m_ends[spelling - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[spelling] - begin);
    }

    void release()
    {
        m_bytes = std::string();
        m_ends = std::vector<std::size_t>();
    }

private:
    const Collation& m_collation;
    const TextOfRow& m_textOfRow;
    const Spellings& m_spellings;
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

// The number of bytes every key begins with alike.
std::size_t sharedBeginning(const SpellingKeys& keys)
{
    if (keys.size() == 0)
        return 0;
    std::string firstScratch;
    std::string scratch;
    const std::string_view first = keys.key(0, firstScratch);
    std::size_t shared = first.size();
    for (std::size_t i = 1; i < keys.size() && shared > 0; ++i) {
        const std::string_view key = keys.key(i, scratch);
        const auto limit = std::min(shared, key.size());
        shared = static_cast<std::size_t>(std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(limit),
                                                        key.begin()).first - first.begin());
    }
    return shared;
}

// Bytes [from, from + 8) of key as a big-endian word, zeros past its end. Of keys
// that share their first `from` bytes, the words order as the keys do, or are equal.
std::uint64_t leadingWord(std::string_view key, std::size_t from)
{
    std::uint64_t word = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        word = (word << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return word;
}

// Twelve bytes, not sixteen: a million values sort in 4 MB less.
struct __attribute__((packed)) SortItem {
    std::uint64_t lead;
    std::int32_t spelling;
};
static_assert(sizeof(SortItem) == 12);

int compareKeys(std::string_view a, std::string_view b) noexcept
{
    return a.compare(b); // bytes as unsigned, the shorter first on a common beginning
}

// A table with more room holding the ids of `table` (spellings, hashed again from
// their first rows, in row order). Stops early, crowded, when the hashes crowd it.
RowHashTable largerTable(const RowHashTable& table, const TextOfRow& textOfRow, const Spellings& spellings,
                         std::size_t rowsMet, std::size_t rowCount)
{
    RowHashTable larger(RowHashTable::grownCapacity(table.capacity(), rowsMet, rowCount), rowCount);
    for (std::size_t id = 0; id < spellings.firstRows.size() && !larger.crowded(); ++id) {
        larger.findOrInsert(hashBytes(textOfRow(spellings.firstRows[id])), static_cast<std::int32_t>(id),
                            [](std::int32_t) { return false; });
    }
    return larger;
}

// The spellings found by sorting the rows by their bytes: O(N log N) comparisons
// whatever the texts, for when hashing them crowds the table.
Spellings countSpellingsBySorting(const Collation& collation, const TextOfRow& textOfRow, int beginRow, int endRow)
{
    std::vector<std::int32_t> rows;
    for (int row = beginRow; row < endRow; ++row)
        rows.push_back(row);
    std::stable_sort(rows.begin(), rows.end(),
                     [&](std::int32_t a, std::int32_t b) { return compareBytes(textOfRow(a), textOfRow(b)) < 0; });
    // One (first row, count) a spelling, then in order of first appearance.
    std::vector<std::pair<std::int32_t, std::int32_t>> runs;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && compareBytes(textOfRow(rows[i - 1]), textOfRow(rows[i])) == 0)
            ++runs.back().second;
        else
            runs.emplace_back(rows[i], 1);
    }
    std::sort(runs.begin(), runs.end());
    Spellings spellings;
    spellings.allRanked = collation.hasAsciiRanks();
    for (const auto& [firstRow, count] : runs) {
        const TwoPieceText text = textOfRow(firstRow);
        spellings.firstRows.push_back(firstRow);
        spellings.counts.push_back(count);
        spellings.byteCount += text.size();
        spellings.allRanked = spellings.allRanked && allMapped(text, collation.asciiRanks());
    }
    return spellings;
}

Spellings countSpellings(const Collation& collation, const TextOfRow& textOfRow, int beginRow, int endRow)
{
    Spellings spellings;
    const auto rowCount = static_cast<std::size_t>(std::max(endRow - beginRow, 0));
    RowHashTable table(RowHashTable::firstCapacity(rowCount), rowCount);
    spellings.allRanked = collation.hasAsciiRanks();
    for (int row = beginRow; row < endRow; ++row) {
        const TwoPieceText text = textOfRow(row);
        if (spellings.firstRows.size() == table.capacity())
            table = largerTable(table, textOfRow, spellings, static_cast<std::size_t>(row - beginRow), rowCount);
        if (table.crowded())
            return countSpellingsBySorting(collation, textOfRow, beginRow, endRow);
        const auto next = static_cast<std::int32_t>(spellings.firstRows.size());
        const std::int32_t found = table.findOrInsert(hashBytes(text), next, [&](std::int32_t id) {
            return equalBytes(textOfRow(spellings.firstRows[static_cast<std::size_t>(id)]), text);
        });
        if (found >= 0) {
            ++spellings.counts[static_cast<std::size_t>(found)];
            continue;
        }
        spellings.firstRows.push_back(row);
        spellings.counts.push_back(1);
        spellings.byteCount += text.size();
        spellings.allRanked = spellings.allRanked && allMapped(text, collation.asciiRanks());
    }
    return spellings;
}

// The values in collation order, each tallied by its first spelling.
std::vector<Tally> talliesInOrder(const Collation& collation, TextEncoding encoding,
                                                const TextOfRow& textOfRow, const Spellings& spellings)
{
    SpellingKeys keys(collation, encoding, textOfRow, spellings);
    std::string scratch;
    std::string otherScratch;
    // By key, and among equal keys by first appearance: the first of each run of
    // equal keys is the value's first spelling. Keys are compared by eight bytes
    // after the beginning they all share first, in one word beside the spelling's
    // index, and only where those agree in full.
    const std::size_t shared = sharedBeginning(keys);
    std::vector<SortItem> items(keys.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = SortItem{leadingWord(keys.key(i, scratch), shared), static_cast<std::int32_t>(i)};
    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        if (a.lead != b.lead)
            return a.lead < b.lead;
        const int byKey = compareKeys(keys.key(static_cast<std::size_t>(a.spelling), scratch),
                                      keys.key(static_cast<std::size_t>(b.spelling), otherScratch));
        return byKey != 0 ? byKey < 0 : a.spelling < b.spelling;
    });
    // Later spellings of a value are marked -1, then the keys are let go before the
    // tallies are made.
    std::size_t valueCount = 0;
    SortItem previous{0, -1};
    for (SortItem& item : items) {
        const SortItem current = item;
        if (previous.spelling >= 0 && previous.lead == current.lead
            && keys.key(static_cast<std::size_t>(current.spelling), scratch)
                == keys.key(static_cast<std::size_t>(previous.spelling), otherScratch))
            item.spelling = -1;
        else
            ++valueCount;
        previous = current;
    }
    keys.release();
    std::vector<Tally> tallies;
    tallies.reserve(valueCount);
    for (const SortItem& item : items) {
        if (item.spelling < 0)
            continue;
        const auto spelling = static_cast<std::size_t>(item.spelling);
        tallies.push_back(Tally{spellings.firstRows[spelling], spellings.counts[spelling]});
    }
    return tallies;
}

} // namespace

DistinctValues::DistinctValues(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow,
                               int beginRow, int endRow)
    : m_collation(collation), m_encoding(encoding), m_textOfRow(textOfRow), m_beginRow(beginRow),
      m_endRow(endRow)
{
    const Spellings spellings = countSpellings(collation, textOfRow, beginRow, endRow);
    m_ranked = spellings.allRanked;
    m_tallies = talliesInOrder(collation, encoding, textOfRow, spellings);
}

int DistinctValues::find(std::string_view text) const
{
    const TwoPieceText wanted{text, {}};
    // Rank keys and full keys order texts that have both alike.
    const bool ranked = m_ranked && allMapped(wanted, m_collation.asciiRanks());
    std::string wantedKey;
    std::string valueKey;
    const auto keyOf = [&](const TwoPieceText& value, std::string& key) {
        key.clear();
        if (ranked)
            m_collation.appendRankKey(value, key);
        else
            m_collation.appendKey(value, m_encoding, key);
    };
    keyOf(wanted, wantedKey);
    // Binary search of the sorted values.
    std::size_t low = 0;
    std::size_t high = m_tallies.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        keyOf(m_textOfRow(m_tallies[middle].row), valueKey);
        const int order = compareKeys(valueKey, wantedKey);
        if (order == 0)
            return static_cast<int>(middle);
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return -1;
}

void DistinctValues::remove(int index)
{
    if (index >= 0 && index < size())
        m_tallies.erase(m_tallies.begin() + index);
}

int DistinctValues::exactCount(std::string_view text) const
{
    int count = 0;
    for (int row = m_beginRow; row < m_endRow; ++row)
        count += equalBytes(m_textOfRow(row), TwoPieceText{text, {}}) ? 1 : 0;
    return count;
}

} // namespace kvd
