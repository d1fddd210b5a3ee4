#include "viewer/StatisticsByValueModel.h"

#include "summary/StatisticsByValueGrid.h"

#include <cmath>
#include <limits>

namespace kvd {

StatisticsByValueModel::StatisticsByValueModel(const DataTable& table, const TextEncoding& encoding,
                                               char decimalSeparator, QObject* parent)
    : TextTableModel(encoding, parent), m_table(table), m_decimalSeparator(decimalSeparator)
{
}

StatisticsByValueModel::~StatisticsByValueModel() = default;

void StatisticsByValueModel::setStatistics(std::optional<StatisticsByValue> statistics)
{
    beginResetModel();
    m_grid.reset();
    m_statistics = std::move(statistics);
    if (m_statistics)
        m_grid = std::make_unique<StatisticsByValueGrid>(*m_statistics, m_table, m_decimalSeparator);
    endResetModel();
}

int StatisticsByValueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_grid ? 0 : m_grid->rowCount();
}

int StatisticsByValueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : StatisticsByValueGrid::ColumnCount;
}

QVariant StatisticsByValueModel::data(const QModelIndex& index, int role) const
{
    if (role != SortRole || !m_grid || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return TextTableModel::data(index, role);
    switch (index.column()) {
    case StatisticsByValueGrid::ValueColumnIndex:
        return static_cast<qlonglong>(static_cast<std::size_t>(index.row()) / m_statistics->measurementCount());
    case StatisticsByValueGrid::NameColumn:
        return cellText(index.row(), index.column()).toCaseFolded();
    default: {
        const double number = m_grid->number(index.row(), index.column());
        return std::isfinite(number) ? number : std::numeric_limits<double>::infinity();
    }
    }
}

QString StatisticsByValueModel::cellText(int row, int column) const
{
    return m_grid ? decoded(m_grid->cell(row, column)) : QString();
}

QString StatisticsByValueModel::headerText(int column) const
{
    const ValueColumn key = m_statistics ? m_statistics->key : ValueColumn::Source;
    return QString::fromLatin1(StatisticsByValueGrid::heading(key, column));
}

} // namespace kvd
