#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace kvd {

// Row indexes (0 and up), added in increasing order, held as a bitmap: one bit a row
// up to the highest held, plus 4 bytes for every 512 rows that give how many rows
// are held before them, so that the i-th row held is found in a few steps. A million
// duplicate rows among ten million cost about 1.3 MB, not 4 MB.
class RowSet {
public:
    // Visits the rows held in increasing order.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = int;
        using difference_type = std::ptrdiff_t;
        using pointer = const int*;
        using reference = int;

        const_iterator() = default;
        int operator*() const noexcept
        {
            return static_cast<int>(m_word * 64 + static_cast<std::size_t>(std::countr_zero(m_bits)));
        }
        const_iterator& operator++() noexcept
        {
            m_bits &= m_bits - 1;
            skipEmptyWords();
            return *this;
        }
        const_iterator operator++(int) noexcept
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const noexcept
        {
            return m_word == other.m_word && m_bits == other.m_bits;
        }

    private:
        friend class RowSet;
        const_iterator(const std::vector<std::uint64_t>& words, std::size_t word) noexcept
            : m_words(&words), m_word(word), m_bits(word < words.size() ? words[word] : 0)
        {
            skipEmptyWords();
        }
        void skipEmptyWords() noexcept
        {
            while (m_bits == 0 && m_word < m_words->size()) {
                if (++m_word < m_words->size())
                    m_bits = (*m_words)[m_word];
            }
        }

        const std::vector<std::uint64_t>* m_words = nullptr;
        std::size_t m_word = 0;
        std::uint64_t m_bits = 0; // the rows of m_word not yet visited
    };

    // Makes room for rows below `rowLimit`, so that adding them allocates nothing.
    void reserve(int rowLimit);
    // Adds `row`, which is above every row held (a row that is not, or is below 0, is
    // ignored).
    void add(int row);

    bool empty() const noexcept { return m_size == 0; }
    std::size_t size() const noexcept { return m_size; }
    bool contains(int row) const noexcept
    {
        const auto bit = static_cast<std::size_t>(row);
        return row >= 0 && bit / 64 < m_words.size() && (m_words[bit / 64] >> (bit % 64) & 1) != 0;
    }
    // The index-th row held, counted from 0 in increasing order; index < size().
    int operator[](std::size_t index) const noexcept;

    const_iterator begin() const noexcept { return const_iterator(m_words, 0); }
    const_iterator end() const noexcept { return const_iterator(m_words, m_words.size()); }

private:
    static constexpr std::size_t WordsPerBlock = 8; // 512 rows

    std::vector<std::uint64_t> m_words; // bit r % 64 of word r / 64: row r is held
    std::vector<std::uint32_t> m_rowsBeforeBlock;
    std::size_t m_size = 0;
    int m_lastRow = -1;
};

} // namespace kvd
