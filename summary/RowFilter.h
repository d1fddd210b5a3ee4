#pragma once

#include "summary/RowSet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

class CellSearch;
class DataTable;

// A condition on the cells of a measurement column, read by the statistics' number
// rules (measurementValue).
struct NumberCondition {
    enum class Comparison { Greater, GreaterOrEqual, Less, LessOrEqual, Equal, Between, NotANumber };
    int column = 0;
    Comparison comparison = Comparison::Greater;
    double value = 0; // the bound; the lower one for Between
    double upper = 0; // Between only: value <= x <= upper
};

// Whether `cell` meets the condition: NotANumber for a cell that is not a number,
// the comparisons for a number. `buffer` as measurementValue takes it.
bool meetsCondition(const NumberCondition& condition, std::string_view cell, char decimalSeparator,
                    std::string& buffer);

// The rows a view shows: those that every part of the filter accepts (all when it has
// none). Parts are rows chosen elsewhere (a jump), the rows whose cell in a column a
// find text matches, and number conditions. Each part keeps a description for the
// user.
class RowFilter {
public:
    RowFilter();
    ~RowFilter();
    RowFilter(RowFilter&&) noexcept;
    RowFilter& operator=(RowFilter&&) noexcept;

    // Object rows `tableRows` (ascending).
    void addRows(const std::vector<int>& tableRows, std::string description);
    // The rows whose cell in `column` (any cell of the row for -1) `search` matches.
    void addMatches(int column, std::shared_ptr<const CellSearch> search, std::string description);
    void addCondition(const NumberCondition& condition, std::string description);
    void clear();

    bool empty() const noexcept { return m_parts.empty(); }
    std::vector<std::string> descriptions() const;

    // The object rows (1..n) of `table` that every part accepts, ascending: 4 bytes a
    // row shown. May throw std::bad_alloc.
    std::vector<std::int32_t> shownRows(const DataTable& table, char decimalSeparator) const;

private:
    struct Part;
    std::vector<std::unique_ptr<Part>> m_parts;
};

} // namespace kvd
