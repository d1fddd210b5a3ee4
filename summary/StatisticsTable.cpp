#include "summary/StatisticsTable.h"

#include "common/Errors.h"

namespace kvd {

StatisticsTable::StatisticsTable()
    : m_cells(2 * ColumnCount), m_measurementColumns(2, -1)
{
    for (int& width : m_columnWidths)
        width = DefaultColumnWidth;
}

void StatisticsTable::setRowCount(int rowCount)
{
    m_cells.resize(static_cast<std::size_t>(rowCount < 0 ? 0 : rowCount) * ColumnCount);
    m_measurementColumns.resize(static_cast<std::size_t>(rowCount < 0 ? 0 : rowCount), -1);
}

int StatisticsTable::measurementColumn(int rowIndex) const
{
    if (rowIndex < 0 || static_cast<std::size_t>(rowIndex) >= m_measurementColumns.size())
        return -1;
    return m_measurementColumns[static_cast<std::size_t>(rowIndex)];
}

void StatisticsTable::setMeasurementColumn(int rowIndex, int column)
{
    if (rowIndex >= 0 && rowIndex < rowCount())
        m_measurementColumns[static_cast<std::size_t>(rowIndex)] = column;
}

const std::string& StatisticsTable::cell(int rowIndex, int columnIndex) const
{
    static const std::string empty;
    if (rowIndex < 0 || rowIndex >= rowCount() || columnIndex < 0 || columnIndex >= ColumnCount)
        return empty;
    return m_cells[static_cast<std::size_t>(rowIndex) * ColumnCount + static_cast<std::size_t>(columnIndex)];
}

void StatisticsTable::setCell(int rowIndex, int columnIndex, std::string text)
{
    if (rowIndex < 0)
        throw listIndexError(rowIndex);
    if (columnIndex < 0 || columnIndex >= ColumnCount)
        throw listIndexError(columnIndex);
    if (rowIndex >= rowCount())
        setRowCount(rowIndex + 1);
    m_cells[static_cast<std::size_t>(rowIndex) * ColumnCount + static_cast<std::size_t>(columnIndex)] = std::move(text);
}

int StatisticsTable::columnWidth(int columnIndex) const
{
    return columnIndex >= 0 && columnIndex < ColumnCount ? m_columnWidths[columnIndex] : DefaultColumnWidth;
}

void StatisticsTable::setColumnWidth(int columnIndex, int width)
{
    if (columnIndex >= 0 && columnIndex < ColumnCount)
        m_columnWidths[columnIndex] = width;
}

} // namespace kvd
