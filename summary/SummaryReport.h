#pragma once

#include "datafile/FileKind.h"
#include "datafile/TextEncoding.h"

#include <QLocale>

#include <string>
#include <vector>

namespace kvd {

class DataTable;

// Appends the summary report of a loaded table to `lines`: title, size, duplicate
// objects, sources, and for learning files status and groups. Distinct values are
// compared case-insensitively by the collation of `locale`; tallies count exact
// spellings. Lines hold the file's bytes in `encoding`.
void writeSummaryReport(const DataTable& table, FileKind kind, int measurementCount,
                        TextEncoding encoding, const QLocale& locale,
                        std::vector<std::string>& lines);

} // namespace kvd
