#include "summary/DuplicateRows.h"

#include "summary/RowHashTable.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>
#include <vector>

namespace kvd {

namespace {

// Rows are hashed a batch at a time, and the table slots of the whole batch are
// asked for before the first one is looked at, so that the waits for memory overlap.
constexpr int BatchSize = 16;

class DuplicateFinder {
public:
    DuplicateFinder(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                    int endRow)
        : m_collation(collation), m_encoding(encoding), m_textOfRow(textOfRow), m_beginRow(beginRow),
          m_rowCount(static_cast<std::size_t>(std::max(endRow - beginRow, 0))),
          m_table(RowHashTable::firstCapacity(m_rowCount), m_rowCount), m_ranked(collation.hasAsciiRanks())
    {
    }

    // Looks up (and adds) the rows [first, first + count) in order; calls
    // onRepeat(row, first row of equal text) for each one equal to an earlier row.
    // Returns the row after the last one looked up: an earlier one than first +
    // count when the table became crowded (the rows from there on are then for
    // another way to find).
    int addBatch(int first, int count, const std::function<void(int row, int firstRow)>* onRepeat)
    {
        std::array<TwoPieceText, BatchSize> texts;
        std::array<std::uint64_t, BatchSize> hashes;
        for (int i = 0; i < count; ++i)
            texts[i] = m_textOfRow(first + i);
        hashBatch(texts, hashes, 0, count);
        for (int i = 0; i < count; ++i) {
            if (m_ranked && !allMapped(texts[i], m_collation.asciiRanks())) {
                useFullKeys(first + i);
                hashBatch(texts, hashes, i, count);
            }
            const int row = first + i;
            if (m_held == m_table.capacity())
                grow(row);
            if (m_table.crowded())
                return row;
            const std::int32_t found = m_table.findOrInsert(hashes[i], row - m_beginRow, [&](std::int32_t id) {
                return equalTo(id, texts[i], i);
            });
            if (found < 0)
                ++m_held;
            else if (onRepeat)
                (*onRepeat)(row, m_beginRow + found);
        }
        return first + count;
    }

private:
    void hashBatch(const std::array<TwoPieceText, BatchSize>& texts, std::array<std::uint64_t, BatchSize>& hashes,
                   int from, int count)
    {
        for (int i = from; i < count; ++i) {
            hashes[i] = hashOf(texts[i], m_keys[i]);
            m_table.prefetch(hashes[i]);
        }
    }

    // The hash of a text under the keys in use; `key` receives its full key when
    // those are in use.
    std::uint64_t hashOf(const TwoPieceText& text, std::string& key) const
    {
        if (m_ranked)
            return hashMapped(text, m_collation.asciiRanks());
        key.clear();
        m_collation.appendKey(text, m_encoding, key);
        return hashBytes(TwoPieceText{key, {}});
    }

    // Moves the ids held, met in the rows before `row`, into a larger table,
    // hashing their rows' texts again: the table holds no hashes. The rows are
    // read in row order, a batch at a time, as addBatch reads them.
    void grow(int row)
    {
        std::vector<std::uint64_t> held((m_rowCount + 63) / 64, 0);
        m_table.forEachId([&held](std::int32_t id) {
            const auto bit = static_cast<std::size_t>(id);
            held[bit / 64] |= std::uint64_t{1} << (bit % 64);
        });
        RowHashTable larger(RowHashTable::grownCapacity(m_table.capacity(), static_cast<std::size_t>(row - m_beginRow),
                                                        m_rowCount),
                            m_rowCount);
        std::array<std::int32_t, BatchSize> ids;
        std::array<std::uint64_t, BatchSize> hashes;
        std::string key;
        int count = 0;
        const auto insertBatch = [&] {
            for (int i = 0; i < count; ++i)
                larger.findOrInsert(hashes[i], ids[i], [](std::int32_t) { return false; });
            count = 0;
        };
        for (std::size_t word = 0; word < held.size() && !larger.crowded(); ++word) {
            for (std::uint64_t bits = held[word]; bits != 0; bits &= bits - 1) {
                const auto id = static_cast<std::int32_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
                ids[count] = id;
                hashes[count] = hashOf(m_textOfRow(m_beginRow + id), key);
                larger.prefetch(hashes[count]);
                if (++count == BatchSize)
                    insertBatch();
            }
        }
        insertBatch();
        m_table = std::move(larger);
    }

    bool equalTo(std::int32_t id, const TwoPieceText& text, int batchIndex)
    {
        const TwoPieceText candidate = m_textOfRow(m_beginRow + id);
        if (m_ranked)
            return equalMapped(candidate, text, m_collation.asciiRanks());
        if (id != m_candidateId) {
            m_candidateKey.clear();
            m_collation.appendKey(candidate, m_encoding, m_candidateKey);
            m_candidateId = id;
        }
        return m_candidateKey == m_keys[batchIndex];
    }

    // From now on every row is matched by its full key: the rows before `endRow`
    // are added again under their full keys (the ones found equal before are
    // still found equal: rank keys and full keys agree where both exist).
    void useFullKeys(int endRow)
    {
        m_ranked = false;
        m_table.clear();
        m_held = 0;
        for (int first = m_beginRow; first < endRow && !m_table.crowded(); first += BatchSize)
            addBatch(first, std::min(BatchSize, endRow - first), nullptr);
    }

    const Collation& m_collation;
    TextEncoding m_encoding;
    const TextOfRow& m_textOfRow;
    int m_beginRow;
    std::size_t m_rowCount;
    RowHashTable m_table; // ids: rows counted from m_beginRow
    std::size_t m_held = 0; // ids in m_table
    bool m_ranked;
    std::array<std::string, BatchSize> m_keys; // the full keys of the batch
    std::string m_candidateKey;
    std::int32_t m_candidateId = -1;
};

// In `rows` (sorted, equal keys in row order) the first row of each run of equal keys
// is the first of its text; calls onRepeat(row, firstRow), in row order, for every
// other row from `fromRow` on.
template <class Equal>
void reportRepeats(const std::vector<std::int32_t>& rows, int beginRow, int endRow, int fromRow, Equal&& equal,
                   const std::function<void(int row, int firstRow)>& onRepeat)
{
    std::vector<std::int32_t> firstRows(static_cast<std::size_t>(endRow - beginRow), -1);
    std::int32_t runStart = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || !equal(rows[i - 1], rows[i]))
            runStart = rows[i];
        else
            firstRows[static_cast<std::size_t>(rows[i] - beginRow)] = runStart;
    }
    for (int row = fromRow; row < endRow; ++row) {
        if (const std::int32_t firstRow = firstRows[static_cast<std::size_t>(row - beginRow)]; firstRow >= 0)
            onRepeat(row, firstRow);
    }
}

// The repeats found by sorting the rows by their texts' keys, equal keys in row
// order: O(N log N) comparisons whatever the texts, for when hashing them crowds the
// table. Rank keys when every text has one, else full keys, made once and held in
// one buffer.
void findRepeatedRowsBySorting(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow,
                               int beginRow, int endRow, int fromRow,
                               const std::function<void(int row, int firstRow)>& onRepeat)
{
    std::vector<std::int32_t> rows;
    bool ranked = collation.hasAsciiRanks();
    for (int row = beginRow; row < endRow; ++row) {
        rows.push_back(row);
        ranked = ranked && allMapped(textOfRow(row), collation.asciiRanks());
    }
    if (ranked) {
        const auto order = [&](std::int32_t a, std::int32_t b) {
            return compareMapped(textOfRow(a), textOfRow(b), collation.asciiRanks());
        };
        std::stable_sort(rows.begin(), rows.end(), [&](std::int32_t a, std::int32_t b) { return order(a, b) < 0; });
        reportRepeats(rows, beginRow, endRow, fromRow, [&](std::int32_t a, std::int32_t b) { return order(a, b) == 0; },
                      onRepeat);
        return;
    }
    std::string keys;
    std::vector<std::size_t> ends;
    for (int row = beginRow; row < endRow; ++row) {
        collation.appendKey(textOfRow(row), encoding, keys);
        ends.push_back(keys.size());
    }
    const auto key = [&](std::int32_t row) {
        const auto index = static_cast<std::size_t>(row - beginRow);
        const std::size_t begin = index == 0 ? 0 : ends[index - 1];
        return std::string_view(keys).substr(begin, ends[index] - begin);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](std::int32_t a, std::int32_t b) { return key(a) < key(b); });
    reportRepeats(rows, beginRow, endRow, fromRow, [&](std::int32_t a, std::int32_t b) { return key(a) == key(b); },
                  onRepeat);
}

} // namespace

void findRepeatedRows(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                      int endRow, const std::function<void(int row, int firstRow)>& onRepeat)
{
    DuplicateFinder finder(collation, encoding, textOfRow, beginRow, endRow);
    for (int first = beginRow; first < endRow; first += BatchSize) {
        const int count = std::min(BatchSize, endRow - first);
        const int next = finder.addBatch(first, count, &onRepeat);
        if (next < first + count) {
            findRepeatedRowsBySorting(collation, encoding, textOfRow, beginRow, endRow, next, onRepeat);
            return;
        }
    }
}

void findDuplicateRows(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                       int endRow, const std::function<void(int row)>& onDuplicate)
{
    findRepeatedRows(collation, encoding, textOfRow, beginRow, endRow,
                     [&onDuplicate](int row, int) { onDuplicate(row); });
}

} // namespace kvd
