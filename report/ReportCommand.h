#pragma once

#include "report/ReportFormats.h"
#include "report/ReportLocale.h"
#include "summary/StatisticsByValue.h"

#include <optional>
#include <string>
#include <vector>

namespace kvd {

// The file name that stands for standard input.
inline constexpr const char* StandardInputName = "-";

// What one run of kvdreport does, as its command line asks.
struct ReportCommand {
    ReportFormat format = ReportFormat::Text;
    int jobs = 1;
    std::optional<ValueColumn> by;  // --by: statistics by source, group or status
    bool withFileName = false;      // -H: the output names the file even when it is alone
    std::vector<std::string> files; // the file system's bytes, as given; "-" reads standard input
    std::string standardInputLabel = StandardInputName; // UTF-8, the name shown for "-"
    ReportLocale locale;
};

// A command to run, or the exit status of a run that ends with its command line
// (--help, --version, or a wrong usage, already reported on standard error).
struct ParsedCommand {
    std::optional<ReportCommand> command;
    int status = ExitSuccess;
};

// Reads kvdreport's command line from QCoreApplication::arguments() (the application
// must exist) and argv, which holds the file names' bytes. Reads the list of
// --files-from and pins the locale of --locale.
ParsedCommand parseReportCommand(int argc, char* argv[]);

} // namespace kvd
