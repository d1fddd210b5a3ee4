#pragma once

#include "common/GridMetrics.h"

#include <string>
#include <vector>

namespace kvd {

// The measurement statistics grid of the Summary page: five text columns
// ("Name", "Mean", "Std_Err", "Min", "Max"), row 0 the fixed heading row, one row
// per measurement column below it. A new grid has 2 empty rows, as a new window shows.
class StatisticsTable {
public:
    static constexpr int ColumnCount = 5;

    StatisticsTable();

    int rowCount() const noexcept { return static_cast<int>(m_cells.size() / ColumnCount); }
    // Rows added are empty; rows removed lose their cells.
    void setRowCount(int rowCount);

    const std::string& cell(int rowIndex, int columnIndex) const;
    // Grows the grid when rowIndex lies below its last row.
    void setCell(int rowIndex, int columnIndex, std::string text);

    int columnWidth(int columnIndex) const;
    void setColumnWidth(int columnIndex, int width);

    int fixedRowCount() const noexcept { return 1; }

    // The data table column that row `rowIndex` describes, or -1 (heading, empty rows).
    int measurementColumn(int rowIndex) const;
    void setMeasurementColumn(int rowIndex, int column);

private:
    std::vector<std::string> m_cells; // row after row
    std::vector<int> m_measurementColumns; // by row, -1 for none
    int m_columnWidths[ColumnCount];
};

} // namespace kvd
