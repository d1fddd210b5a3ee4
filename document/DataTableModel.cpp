#include "document/DataTableModel.h"

#include "datafile/DataTable.h"

namespace kvd {

DataTableModel::DataTableModel(const DataTable& table, const TextEncoding& encoding, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_encoding(encoding)
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
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return decodeText(m_table.cell(tableRow(index.row()), index.column()), m_encoding);
    case Qt::BackgroundRole:
        if (index.column() < fixedColumnCount())
            return FixedCellColour;
        return {};
    default:
        return {};
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return fixedRowCount() > 0 ? decodeText(m_table.cell(0, section), m_encoding) : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags DataTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void DataTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

} // namespace kvd
