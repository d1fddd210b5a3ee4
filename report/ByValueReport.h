#pragma once

#include "report/ReportOutput.h"

#include <QJsonValue>

#include <string>
#include <string_view>

namespace kvd {

struct ReportFile;

// With --by: the heading line of the grid of statistics by value, TAB between cells
// and a line end after them, with a first cell "File" when `withFile`.
std::string byValueHeading(const ReportFile& file, bool withFile);
// Writes its rows after `out` to sink, `out` handed on whenever it holds 64 KiB and
// at the end: each cell UTF-8 with TAB and line ends made blanks, `filePrefix` (the
// file's path and a TAB, or nothing) before each row. False when the sink refused.
bool writeByValueRows(std::string& out, const ReportFile& file, std::string_view filePrefix,
                      const ReportSink& sink);
// The JSON member "by": {"key", "entries": [{"value", "objects", "statistics": [...]}]},
// null when the file has none.
QJsonValue byValueJson(const ReportFile& file);
// When the file has no statistics by value although they were asked for: its message
// for standard error and the failure status.
void reportByValueError(const ReportFile& file, bool named, ReportOutput& output);

} // namespace kvd
