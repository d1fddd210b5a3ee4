#include "summary/RowSet.h"

#include <algorithm>

namespace kvd {

void RowSet::reserve(int rowLimit)
{
    const auto rows = static_cast<std::size_t>(std::max(rowLimit, 0));
    m_words.reserve((rows + 63) / 64);
    m_rowsBeforeBlock.reserve((rows + 64 * WordsPerBlock - 1) / (64 * WordsPerBlock));
}

void RowSet::add(int row)
{
    if (row <= m_lastRow)
        return;
    m_lastRow = row;
    const auto bit = static_cast<std::size_t>(row);
    const std::size_t word = bit / 64;
    if (word >= m_words.size())
        m_words.resize(word + 1, 0);
    while (m_rowsBeforeBlock.size() <= word / WordsPerBlock)
        m_rowsBeforeBlock.push_back(static_cast<std::uint32_t>(m_size));
    m_words[word] |= std::uint64_t{1} << (bit % 64);
    ++m_size;
}

int RowSet::operator[](std::size_t index) const noexcept
{
    // The last block with at most `index` rows before it holds the row.
    const auto after = std::upper_bound(m_rowsBeforeBlock.begin(), m_rowsBeforeBlock.end(), index);
    const auto block = static_cast<std::size_t>(after - m_rowsBeforeBlock.begin()) - 1;
    std::size_t left = index - m_rowsBeforeBlock[block];
    std::size_t word = block * WordsPerBlock;
    for (;; ++word) {
        const auto held = static_cast<std::size_t>(std::popcount(m_words[word]));
        if (left < held)
            break;
        left -= held;
    }
    std::uint64_t bits = m_words[word];
    for (; left > 0; --left)
        bits &= bits - 1;
    return static_cast<int>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
}

} // namespace kvd
