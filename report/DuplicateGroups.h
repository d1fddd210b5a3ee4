#pragma once

#include <cstdint>
#include <vector>

namespace kvd {

struct ReportFile;

// The duplicate rows of a loaded file's report gathered by key (object then source,
// equal as the report's duplicate check compares them), the groups in the order of
// their first duplicate row, the rows of each in row order. A group's key also
// belongs to one earlier row, which the report does not name. Holds 8 bytes a
// duplicate row (and, while it is built, a hash table of the distinct keys).
class DuplicateGroups {
public:
    // The rows of one group, in row order.
    class Rows {
    public:
        Rows(const std::uint64_t* begin, const std::uint64_t* end) noexcept : m_begin(begin), m_end(end) {}
        std::size_t size() const noexcept { return static_cast<std::size_t>(m_end - m_begin); }
        int operator[](std::size_t index) const noexcept { return rowOf(m_begin[index]); }
        int front() const noexcept { return rowOf(*m_begin); }

    private:
        const std::uint64_t* m_begin;
        const std::uint64_t* m_end;
    };

    explicit DuplicateGroups(const ReportFile& file);

    std::size_t rowCount() const noexcept { return m_rows.size(); }

    // Calls visit(rows) for each group in turn, while it answers true. False when
    // a visit answered false.
    template <class Visit>
    bool forEachGroup(Visit&& visit) const
    {
        for (std::size_t begin = 0; begin < m_rows.size();) {
            const std::uint64_t group = groupOf(m_rows[begin]);
            std::size_t end = begin + 1;
            while (end < m_rows.size() && groupOf(m_rows[end]) == group)
                ++end;
            if (!visit(Rows(m_rows.data() + begin, m_rows.data() + end)))
                return false;
            begin = end;
        }
        return true;
    }

private:
    static std::uint64_t groupOf(std::uint64_t entry) noexcept { return entry >> 32; }
    static int rowOf(std::uint64_t entry) noexcept { return static_cast<int>(entry & 0xFFFFFFFFu); }

    // The group's first row in the high half, the row in the low half: sorted, the
    // groups follow one another in the order of their first rows.
    std::vector<std::uint64_t> m_rows;
};

} // namespace kvd
