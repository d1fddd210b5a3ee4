#pragma once

#include "datafile/FileKind.h"
#include "summary/MeasurementFigures.h"

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

} // namespace kvd
