#pragma once

#include "datafile/DataFileReader.h"
#include "document/Document.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// One data file as kvdreport loads it: the document with its summary, or why it could
// not be loaded.
struct ReportFile {
    std::string path;    // the argument as given, UTF-8, for messages and output
    bool loaded = false; // the document is complete and its summary built
    bool missing = false; // no file of that name
    std::string error;   // UTF-8, when not loaded
    std::vector<std::string> warnings; // per-column statistics warnings, UTF-8
    ReadResult result;
    Document document;

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
// them) as the viewer does, under the user's locale (decimal separator and
// collation). Never throws: a failure is recorded in the result.
ReportFile loadReportFile(const std::string& fileName);

// The message of a failed file for standard error, without line end. `named` prefixes
// it with the file's path (kept off when kvdreport was given a single file).
std::string failureMessage(const ReportFile& file, bool named);

} // namespace kvd
