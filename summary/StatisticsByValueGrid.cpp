#include "summary/StatisticsByValueGrid.h"

#include "datafile/DataTable.h"
#include "datafile/NumberText.h"

#include <array>
#include <cmath>

namespace kvd {

StatisticsByValueGrid::StatisticsByValueGrid(const StatisticsByValue& statistics, const DataTable& table,
                                             char decimalSeparator)
    : m_statistics(statistics), m_table(table), m_decimalSeparator(decimalSeparator)
{
}

std::string_view StatisticsByValueGrid::heading(ValueColumn key, int column)
{
    static constexpr std::array<std::string_view, ColumnCount> Headings = {"", "Name", "Objects", "Mean",
                                                                            "Std_Err", "Min", "Max"};
    if (column == ValueColumnIndex) {
        switch (key) {
        case ValueColumn::Source: return "Source";
        case ValueColumn::Group: return "Group";
        case ValueColumn::Status: return "Status";
        }
    }
    return column >= 0 && column < ColumnCount ? Headings[static_cast<std::size_t>(column)] : std::string_view();
}

int StatisticsByValueGrid::rowCount() const noexcept
{
    return static_cast<int>(m_statistics.values.size() * m_statistics.measurementCount());
}

double StatisticsByValueGrid::number(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return NAN;
    const auto measurements = m_statistics.measurementCount();
    const auto value = static_cast<std::size_t>(row) / measurements;
    const ValueFigures& figures = m_statistics.at(value, static_cast<std::size_t>(row) % measurements);
    switch (column) {
    case ObjectsColumn: return m_statistics.objects[value];
    case MeanColumn: return figures.mean;
    case StdErrColumn: return figures.standardError;
    case MinColumn: return figures.minimum;
    case MaxColumn: return figures.maximum;
    default: return NAN;
    }
}

std::string StatisticsByValueGrid::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const auto measurements = m_statistics.measurementCount();
    const auto value = static_cast<std::size_t>(row) / measurements;
    switch (column) {
    case ValueColumnIndex:
        return std::string(m_table.cell(m_statistics.values[value].row, m_statistics.column));
    case NameColumn:
        return std::string(m_table.cell(0, m_statistics.measurementColumns[static_cast<std::size_t>(row) % measurements]));
    case ObjectsColumn: return std::to_string(m_statistics.objects[value]);
    default: break;
    }
    const double figure = number(row, column);
    if (!std::isfinite(figure))
        return {};
    return LocaleToPoint(formatFixed(figure, m_decimalSeparator), m_decimalSeparator);
}

} // namespace kvd
