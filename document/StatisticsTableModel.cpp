#include "document/StatisticsTableModel.h"

#include "summary/StatisticsTable.h"

namespace kvd {

StatisticsTableModel::StatisticsTableModel(const StatisticsTable& table, const TextEncoding& encoding,
                                           QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_encoding(encoding)
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

QVariant StatisticsTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    return decodeText(m_table.cell(index.row() + m_table.fixedRowCount(), index.column()), m_encoding);
}

QVariant StatisticsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return decodeText(m_table.cell(0, section), m_encoding);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags StatisticsTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void StatisticsTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

} // namespace kvd
