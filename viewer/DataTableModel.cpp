#include "viewer/DataTableModel.h"

#include "datafile/DataTable.h"

namespace kvd {

DataTableModel::DataTableModel(const DataTable& table, const TextEncoding& encoding, QObject* parent)
    : TextTableModel(encoding, parent), m_table(table)
{
}

int DataTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount() - fixedRowCount();
}

int DataTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.columnCount();
}

int DataTableModel::tableRow(int row) const noexcept
{
    return row + fixedRowCount();
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
