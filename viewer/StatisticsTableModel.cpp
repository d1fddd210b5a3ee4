#include "viewer/StatisticsTableModel.h"

#include "summary/StatisticsTable.h"

namespace kvd {

StatisticsTableModel::StatisticsTableModel(const StatisticsTable& table, const TextEncoding& encoding,
                                           QObject* parent)
    : TextTableModel(encoding, parent), m_table(table)
{
}

int StatisticsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount() - m_table.fixedRowCount();
}

int StatisticsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : StatisticsTable::ColumnCount;
}

int StatisticsTableModel::columnWidth(int column) const
{
    return m_table.columnWidth(column);
}

QString StatisticsTableModel::cellText(int row, int column) const
{
    return decoded(m_table.cell(row + m_table.fixedRowCount(), column));
}

QString StatisticsTableModel::headerText(int column) const
{
    return decoded(m_table.cell(0, column));
}

} // namespace kvd
