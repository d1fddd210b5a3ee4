#pragma once

#include "summary/StatisticsByValue.h"

#include <string>
#include <string_view>

namespace kvd {

class DataTable;

// The statistics by value as a grid of texts, one row per value and measurement
// (value after value, measurements in column order), below a heading row that is not
// counted here: the Summary page and kvdreport's text and TSV show it alike.
class StatisticsByValueGrid {
public:
    enum Column { ValueColumnIndex, NameColumn, ObjectsColumn, MeanColumn, StdErrColumn, MinColumn, MaxColumn };
    static constexpr int ColumnCount = 7;

    // Keeps references to both, which must outlive it.
    StatisticsByValueGrid(const StatisticsByValue& statistics, const DataTable& table, char decimalSeparator);

    // "Source", "Group" or "Status", then "Name", "Objects", "Mean", "Std_Err", "Min", "Max".
    static std::string_view heading(ValueColumn key, int column);
    std::string_view heading(int column) const { return heading(m_statistics.key, column); }

    int rowCount() const noexcept;
    // Value and name: the file's bytes. Objects: a whole number. Figures: as the
    // statistics grid writes them (two decimals, "." whatever the locale), empty where
    // there is none (the standard error of a single object).
    std::string cell(int row, int column) const;
    // The number behind a cell of the objects and figure columns (NaN where empty);
    // NaN in the value and name columns.
    double number(int row, int column) const;

private:
    const StatisticsByValue& m_statistics;
    const DataTable& m_table;
    char m_decimalSeparator;
};

} // namespace kvd
