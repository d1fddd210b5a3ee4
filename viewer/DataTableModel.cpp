#include "viewer/DataTableModel.h"

#include "datafile/DataTable.h"

#include <algorithm>

namespace kvd {

DataTableModel::DataTableModel(const DataTable& table, const TextEncoding& encoding, QObject* parent)
    : TextTableModel(encoding, parent), m_table(table)
{
}

int DataTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_shownRows ? static_cast<int>(m_shownRows->size()) : m_table.rowCount() - fixedRowCount();
}

int DataTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.columnCount();
}

int DataTableModel::tableRow(int row) const noexcept
{
    if (m_shownRows)
        return row >= 0 && static_cast<std::size_t>(row) < m_shownRows->size() ? (*m_shownRows)[static_cast<std::size_t>(row)]
                                                                                : -1;
    return row + fixedRowCount();
}

int DataTableModel::modelRow(int tableRow) const noexcept
{
    if (!m_shownRows)
        return tableRow >= fixedRowCount() && tableRow < m_table.rowCount() ? tableRow - fixedRowCount() : -1;
    const auto found = std::find(m_shownRows->begin(), m_shownRows->end(), tableRow);
    return found == m_shownRows->end() ? -1 : static_cast<int>(found - m_shownRows->begin());
}

void DataTableModel::setShownRows(std::vector<std::int32_t> rows)
{
    beginResetModel();
    m_shownRows = std::move(rows);
    endResetModel();
}

void DataTableModel::showAllRows()
{
    beginResetModel();
    m_shownRows.reset();
    endResetModel();
}

int DataTableModel::fixedRowCount() const noexcept
{
    return m_table.fixedRowCount();
}

int DataTableModel::fixedColumnCount() const noexcept
{
    return m_table.fixedColumnCount();
}

int DataTableModel::columnWidth(int column) const
{
    return m_table.columnWidth(column);
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::BackgroundRole && checkIndex(index, CheckIndexOption::IndexIsValid)
        && index.column() < fixedColumnCount())
        return FixedCellColour;
    return TextTableModel::data(index, role);
}

QString DataTableModel::cellText(int row, int column) const
{
    return decoded(m_table.cell(tableRow(row), column));
}

QString DataTableModel::headerText(int column) const
{
    return fixedRowCount() > 0 ? decoded(m_table.cell(0, column)) : QString();
}

} // namespace kvd
