#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kvd {

class CellSearch;
class DataTable;

// A cell of a data table: its table row (1..n for the objects) and its column.
struct TableCell {
    int row = 0;
    int column = 0;
    friend bool operator==(const TableCell&, const TableCell&) = default;
};

// Finds the next (or previous) object cell that a CellSearch matches, starting after
// a given cell and wrapping around the table once, so that the starting cell is
// examined last. Cells are visited row by row, left to right (right to left going
// backward). The work is done in steps of a bounded number of rows, so that a caller
// on the user-interface thread can stay responsive and stop a long search. The table
// and the search must outlive this object and not change while it runs.
class TableSearch {
public:
    enum class Direction { Forward, Backward };
    enum class Status { Running, Found, NotFound };

    // onlyColumn: the one column searched, or -1 for every column. A `from` outside
    // the table starts at the first cell (forward) or the last one (backward).
    //
    // `shownRows`, when given, are the object rows searched, in the order searched (a
    // sorted or filtered view): the rows of `from` and found() are then places in it,
    // counted from 1, not table rows. It must outlive this object.
    TableSearch(const DataTable& table, const CellSearch& search, int onlyColumn, TableCell from,
                Direction direction, const std::vector<std::int32_t>* shownRows = nullptr);

    // Examines up to rowBudget further rows; returns the status afterwards.
    Status step(int rowBudget);
    Status status() const noexcept { return m_status; }
    // The cell found, when status() is Found.
    TableCell found() const noexcept { return m_found; }
    // Rows examined so far, and the number a whole turn examines.
    std::int64_t rowsExamined() const noexcept { return m_visited; }
    std::int64_t rowsInTurn() const noexcept { return m_turnLength; }

private:
    bool searchRow(int place, int firstColumn, int lastColumn);
    int rowCount() const noexcept;

    const DataTable& m_table;
    const std::vector<std::int32_t>* m_shownRows;
    const CellSearch& m_search;
    int m_onlyColumn;
    TableCell m_from;
    Direction m_direction;
    Status m_status = Status::Running;
    TableCell m_found;
    std::int64_t m_visited = 0;    // row visits done
    std::int64_t m_turnLength = 0; // n + 1 visits: the starting row twice, once at each end
    std::vector<std::string_view> m_fields;
};

} // namespace kvd
