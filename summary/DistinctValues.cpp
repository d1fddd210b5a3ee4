#include "summary/DistinctValues.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kvd {

namespace {

// The sort keys of many texts, one after the other in one buffer.
class KeyBuffer {
public:
    void reserve(std::size_t count) { m_ends.reserve(count); }
    std::string& bytes() noexcept { return m_bytes; }
    void endKey() { m_ends.push_back(m_bytes.size()); }
    std::string_view key(std::size_t index) const noexcept
    {
        const std::size_t begin = index == 0 ? 0 : m_ends[index - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[index] - begin);
    }

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

int compareKeys(std::string_view a, std::string_view b) noexcept
{
    return a.compare(b); // bytes as unsigned, the shorter first on a common beginning
}

} // namespace

DistinctValues::DistinctValues(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow,
                               int beginRow, int endRow)
    : m_collation(collation), m_encoding(encoding), m_textOfRow(textOfRow),
      m_spellings(static_cast<std::size_t>(std::max(endRow - beginRow, 0))), m_ranked(collation.hasAsciiRanks())
{
    for (int row = beginRow; row < endRow; ++row) {
        const TwoPieceText text = textOfRow(row);
        const auto next = static_cast<std::int32_t>(m_firstRows.size());
        const std::int32_t found = m_spellings.findOrInsert(hashBytes(text), next, [&](std::int32_t id) {
            return equalBytes(textOfRow(m_firstRows[static_cast<std::size_t>(id)]), text);
        });
        if (found >= 0) {
            ++m_counts[static_cast<std::size_t>(found)];
            continue;
        }
        m_firstRows.push_back(row);
        m_counts.push_back(1);
        m_ranked = m_ranked && allMapped(text, collation.asciiRanks());
    }

    KeyBuffer keys;
    keys.reserve(m_firstRows.size());
    for (const std::int32_t row : m_firstRows) {
        if (m_ranked)
            collation.appendRankKey(textOfRow(row), keys.bytes());
        else
            collation.appendKey(textOfRow(row), encoding, keys.bytes());
        keys.endKey();
    }
    // Spellings by key, and among equal keys by first appearance: the first of each
    // run of equal keys is the value's first spelling.
    std::vector<std::int32_t> order(m_firstRows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::int32_t>(i);
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const int byKey = compareKeys(keys.key(static_cast<std::size_t>(a)), keys.key(static_cast<std::size_t>(b)));
        return byKey != 0 ? byKey < 0 : a < b;
    });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto spelling = static_cast<std::size_t>(order[i]);
        if (i > 0 && keys.key(spelling) == keys.key(static_cast<std::size_t>(order[i - 1])))
            continue;
        m_tallies.push_back(Tally{m_firstRows[spelling], m_counts[spelling]});
    }
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
    const TwoPieceText wanted{text, {}};
    const std::int32_t found = m_spellings.find(hashBytes(wanted), [&](std::int32_t id) {
        return equalBytes(m_textOfRow(m_firstRows[static_cast<std::size_t>(id)]), wanted);
    });
    return found < 0 ? 0 : m_counts[static_cast<std::size_t>(found)];
}

} // namespace kvd
