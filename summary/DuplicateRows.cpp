#include "summary/DuplicateRows.h"

#include "summary/RowHashTable.h"

#include <algorithm>
#include <array>
#include <string>

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
          m_table(static_cast<std::size_t>(std::max(endRow - beginRow, 0))), m_ranked(collation.hasAsciiRanks())
    {
    }

    // Looks up (and adds) the rows [first, first + count) in order; calls
    // onDuplicate for each one equal to an earlier row.
    void addBatch(int first, int count, const std::function<void(int row)>* onDuplicate)
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
            const std::int32_t found = m_table.findOrInsert(hashes[i], row - m_beginRow, [&](std::int32_t id) {
                return equalTo(id, texts[i], i);
            });
            if (found >= 0 && onDuplicate)
                (*onDuplicate)(row);
        }
    }

private:
    void hashBatch(const std::array<TwoPieceText, BatchSize>& texts, std::array<std::uint64_t, BatchSize>& hashes,
                   int from, int count)
    {
        for (int i = from; i < count; ++i) {
            if (m_ranked) {
                hashes[i] = hashMapped(texts[i], m_collation.asciiRanks());
            } else {
                m_keys[i].clear();
                m_collation.appendKey(texts[i], m_encoding, m_keys[i]);
                hashes[i] = hashBytes(TwoPieceText{m_keys[i], {}});
            }
            m_table.prefetch(hashes[i]);
        }
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
        for (int first = m_beginRow; first < endRow; first += BatchSize)
            addBatch(first, std::min(BatchSize, endRow - first), nullptr);
    }

    const Collation& m_collation;
    TextEncoding m_encoding;
    const TextOfRow& m_textOfRow;
    int m_beginRow;
    RowHashTable m_table; // ids: rows counted from m_beginRow
    bool m_ranked;
    std::array<std::string, BatchSize> m_keys; // the full keys of the batch
    std::string m_candidateKey;
    std::int32_t m_candidateId = -1;
};

} // namespace

void findDuplicateRows(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                       int endRow, const std::function<void(int row)>& onDuplicate)
{
    DuplicateFinder finder(collation, encoding, textOfRow, beginRow, endRow);
    for (int first = beginRow; first < endRow; first += BatchSize)
        finder.addBatch(first, std::min(BatchSize, endRow - first), &onDuplicate);
}

} // namespace kvd
