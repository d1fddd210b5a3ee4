#pragma once

#include "datafile/TextEncoding.h"
#include "summary/MeasurementFigures.h"
#include "summary/SummaryReport.h"
#include "summary/Tally.h"

#include <QLocale>

#include <cmath>
#include <cstddef>
#include <vector>

namespace kvd {

class DataTable;

// The column whose values split the objects.
enum class ValueColumn { Source, Group, Status };

// The figures of one measurement over the objects of one value, in full double
// precision; NaN where there are none (the standard error of a single object).
struct ValueFigures {
    double mean = NAN;
    // The sample standard deviation around the value's exact mean, divided by the
    // square root of its number of objects.
    double standardError = NAN;
    double minimum = NAN;
    double maximum = NAN;
};

// The measurement statistics of each distinct value of a column: one row per value
// and measurement. Values are those the summary report tallies for the column (all
// of them, also the statuses "Learning" and "Test"), in its collation order, each
// spelled as its first row.
struct StatisticsByValue {
    ValueColumn key = ValueColumn::Source;
    int column = -1;                     // of the data table, holding the values
    std::vector<Tally> values;           // row: the value's first row; count: rows spelled exactly so
    std::vector<int> objects;            // per value: the rows equal to it under the collation
    std::vector<int> measurementColumns; // of the data table, in column order
    std::vector<ValueFigures> figures;   // value after value, one per measurement column

    std::size_t measurementCount() const noexcept { return measurementColumns.size(); }
    const ValueFigures& at(std::size_t value, std::size_t measurement) const
    {
        return figures[value * measurementColumns.size() + measurement];
    }
};

// The table's column of `key` (the report's), or -1 when the kind has none (groups
// and statuses belong to the learning kinds).
int valueColumnOf(const SummaryReport& report, ValueColumn key) noexcept;

// Computes the statistics by the values of `key`'s column, for the measurement
// columns whose figures were computed in full (`figures` as the statistics left
// them). Values are compared under the collation of `locale`, numbers read with
// `decimalSeparator`. Holds 4 bytes a table row and at most 48 bytes a value and
// measurement while it works (32 afterwards). Throws kvd::Error when the kind has
// no such column, std::bad_alloc when memory runs out.
StatisticsByValue statisticsByValue(const DataTable& table, const SummaryReport& report,
                                    const std::vector<MeasurementFigures>& figures, ValueColumn key,
                                    TextEncoding encoding, const QLocale& locale, char decimalSeparator);

} // namespace kvd
