#pragma once

#include "datafile/TextEncoding.h"
#include "summary/ReportLines.h"

#include <string_view>
#include <vector>

namespace kvd {

class Collation;
class DataTable;

// The object rows (1..n, ascending) whose text in `columns`, read back to back, is
// equal under the collation to the text of `row` in the same columns: the rows that
// one entry of the summary's distinct values stands for. Duplicate objects match on
// columns {0, 1} (object followed by source), sources, statuses and groups on their
// one column. Spellings that differ only in letter case match; the tallies of the
// report, which count exact spellings, may therefore count fewer rows.
// Empty when `row` is not an object row.
std::vector<int> rowsMatchingRow(const DataTable& table, const std::vector<int>& columns, int row,
                                 const Collation& collation, TextEncoding encoding);

// The object rows whose cell in `column` is equal under the collation to `text`.
std::vector<int> rowsMatchingText(const DataTable& table, int column, std::string_view text,
                                  const Collation& collation, TextEncoding encoding);

// The object rows a line of the summary report names: for a duplicate warning every
// row of that object and source (the first one included), for a source, status or
// group line the rows of that value (for the Test line, of "Test"), all as
// rowsMatchingRow matches them. Empty for a line that names no rows.
std::vector<int> rowsOfReportLine(const DataTable& table, const ReportLineTarget& target,
                                  const Collation& collation, TextEncoding encoding);

// The object rows whose cell in `column` is not a number by the statistics' rules.
std::vector<int> rowsWithoutNumber(const DataTable& table, int column, char decimalSeparator);

} // namespace kvd
