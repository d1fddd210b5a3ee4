#pragma once

#include "datafile/FileKind.h"
#include "summary/MeasurementFigures.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kvd {

class DataTable;
class StatisticsTable;

// Receives each per-column "WARNING: \"<name>\" contains invalid value(s)" text,
// in column order.
using WarningSink = std::function<void(const std::string& message)>;

// Fills the statistics grid from the data table: heading row, column 0 140 pixels
// wide, then one row per measurement column with Name, Mean, Std_Err, Min and Max,
// or "n/a" rows for WUM-kind columns whose first value is not a number. Returns the
// measurement count. Each column whose values are not all numbers gives one warning
// and a row holding its name only. When `figures` is given, it is refilled with one
// entry per row below the heading, in row order. Throws only kvd::Error of other kinds.
int fillStatistics(const DataTable& table, FileKind kind, char decimalSeparator,
                   StatisticsTable& statistics, const WarningSink& warning,
                   std::vector<MeasurementFigures>* figures = nullptr);

// The statistics read the rows in chunks of this many rows when they read
// `columnCount` columns, so that a chunk's values stay in a core's cache; at least 1.
std::size_t statisticsChunkRows(std::size_t columnCount) noexcept;

// The measurement count fillStatistics will return, from the first object row alone.
// Does not throw (apart from allocation).
int countMeasurements(const DataTable& table, FileKind kind, char decimalSeparator);

} // namespace kvd
