#pragma once

#include "report/ReportOutput.h"

#include <string>
#include <string_view>

namespace kvd {

class JsonWriter;
class OutputBatch;
struct ReportFile;

// With --by: the heading line of the grid of statistics by value, TAB between cells
// and a line end after them, with a first cell "File" when `withFile`.
std::string byValueHeading(const ReportFile& file, bool withFile);
// Appends its rows to the batch: each cell UTF-8 with TAB and line ends made blanks
// (and its control characters escaped when `escaped`), `filePrefix` (the file's path
// and a TAB, or nothing) before each row. False once the batch's sink refused bytes.
bool writeByValueRows(OutputBatch& batch, const ReportFile& file, std::string_view filePrefix, bool escaped);
// The value of the JSON member "by": {"entries": [{"objects", "statistics": [...],
// "value"}], "key"}, or null when the file has none. False once the batch's sink
// refused bytes.
bool writeByValueJson(JsonWriter& json, OutputBatch& batch, const ReportFile& file);
// When the file has no statistics by value although they were asked for: its message
// for standard error and the failure status.
void reportByValueError(const ReportFile& file, bool named, ReportOutput& output);

} // namespace kvd
