#pragma once

#include <vector>

namespace kvd {

struct ReportFile;

// The duplicate rows of a loaded file's report gathered by key (object then source,
// equal as the report's duplicate check compares them), each group in the order of its
// first duplicate row, its rows in row order. A group's key also belongs to one earlier
// row, which the report does not name.
std::vector<std::vector<int>> duplicateGroups(const ReportFile& file);

} // namespace kvd
