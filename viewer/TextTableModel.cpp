#include "viewer/TextTableModel.h"

namespace kvd {

TextTableModel::TextTableModel(const TextEncoding& encoding, QObject* parent)
    : QAbstractTableModel(parent), m_encoding(encoding)
{
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    return cellText(index.row(), index.column());
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return headerText(section);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TextTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TextTableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

QString TextTableModel::decoded(std::string_view bytes) const
{
    return decodeText(bytes, m_encoding);
}

} // namespace kvd
