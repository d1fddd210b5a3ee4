#pragma once

#include "datafile/DataFileReader.h"
#include "document/Document.h"
#include "report/ReportLocale.h"
#include "summary/StatisticsByValue.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// Why a file could not be summarised. Each has a stable code for programs.
enum class LoadFailure {
    None,
    NotFound,      // no file of that name
    NotAFile,      // a folder, a socket...
    UnknownFormat, // the first line names no kind of data file
    TooLarge,      // the file, a line or the table is past what a data file may hold
    NoData,        // no object line, or no column
    BadData,       // a line the table cannot take (an object line without a source)
    ReadError,     // reading failed
    OutOfMemory,
};

// The code of a failure in JSON output: "not-found", "not-a-file", ... ("" for None).
const char* failureCode(LoadFailure failure) noexcept;

// One data file as kvdreport loads it: the document with its summary, or why it could
// not be loaded.
struct ReportFile {
    std::string path;    // the name shown for the file (the argument as given, or a label), UTF-8
    bool loaded = false; // the document is complete and its summary built
    LoadFailure failure = LoadFailure::None;
    std::string error;   // UTF-8, when not loaded
    std::vector<std::string> warnings; // per-column statistics warnings, UTF-8
    ReadResult result;
    Document document;
    ReportLocale locale; // the one the file was loaded under
    std::optional<ValueColumn> by; // what --by asked for
    // With --by: the statistics by value, or why there are none (the kind has no such
    // column), UTF-8.
    std::optional<StatisticsByValue> byValue;
    std::string byError;

    // A text of the file (cells, report lines) as UTF-8.
    std::string utf8(std::string_view bytes) const;
    // The same, appended to out (without a copy of its own when the file is UTF-8).
    void appendUtf8(std::string& out, std::string_view bytes) const;
    // The line of object row `objectRow` (from 1) in the file, counting lines from 1.
    std::uint64_t lineOfRow(int objectRow) const
    {
        return result.columnNameLineNumber + static_cast<std::uint64_t>(objectRow);
    }
};

// Loads the file named by fileName (the file system's bytes, as the shell passed
// them) as the viewer does, under `locale` (decimal separator and collation), and
// computes its statistics by the values of `by` when given. The file is shown as
// `shownName` (UTF-8). Never throws: a failure is recorded in the result.
ReportFile loadReportFile(const std::string& fileName, const std::string& shownName, const ReportLocale& locale,
                          std::optional<ValueColumn> by = std::nullopt);

// The message of a failed file for standard error, without line end. `named` prefixes
// it with the file's path (kept off when kvdreport was given a single file).
std::string failureMessage(const ReportFile& file, bool named);

} // namespace kvd
