#pragma once

#include "report/ReportOutput.h"

#include <string>

namespace kvd {

struct ReportFile;

enum class ReportFormat {
    Text,       // the summary report and the statistics grid, as the Summary page shows them
    Json,       // one object per file, an array of them for several files
    JsonLines,  // one compact JSON object per file, one a line
    Tsv,        // the statistics grid alone
    Check,      // one "FILE:LINE: message" line per problem found
    CheckJsonLines, // one compact JSON object per problem found, one a line
};

// Where a file stands among the files of one run, and where its output goes.
struct FilePlacement {
    int index = 0;        // from 0, in argument order
    bool several = false; // the run has more than one file
    bool named = false;   // the output names the file (several files, or -H)
    // Standard output is a terminal: the text and TSV outputs write the file's control
    // characters escaped (appendEscapedControls), so that none drives the terminal.
    // --check always escapes them and JSON writes them as JSON escapes.
    bool terminal = false;
};

// The output of one file in a format. Each is written after the outputs of the files
// before it; reportEnding() follows the last. The text output streams its report
// lines from `file`, which must then outlive it (ReportOutput::streamSource).
ReportOutput textReport(const ReportFile& file, FilePlacement placement);
ReportOutput tsvReport(const ReportFile& file, FilePlacement placement);
ReportOutput jsonReport(const ReportFile& file, FilePlacement placement);
ReportOutput jsonLinesReport(const ReportFile& file, FilePlacement placement);
ReportOutput checkReport(const ReportFile& file, FilePlacement placement);
ReportOutput checkJsonLinesReport(const ReportFile& file, FilePlacement placement);

std::string reportEnding(ReportFormat format, int fileCount);

} // namespace kvd
