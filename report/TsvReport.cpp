// The statistics grid alone, for spreadsheets and join: one heading line, then one
// line per measurement. With several files (or -H), a first column "File" names each
// row's file and the heading comes once.

#include "report/ReportFile.h"
#include "report/ReportFormats.h"

namespace kvd {

namespace {

// A cell as one TSV field: TAB and line ends inside it would split the row.
void appendField(std::string& out, std::string_view text)
{
    for (const char c : text)
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

} // namespace

ReportOutput tsvReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    const StatisticsTable& statistics = file.document.summary.statistics;
    if (placement.index == 0 && (placement.named || file.loaded))
        output.out = placement.named ? "File\tName\tMean\tStd_Err\tMin\tMax\n" : "Name\tMean\tStd_Err\tMin\tMax\n";
    const std::string warningPrefix = placement.named ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        output.err += warningPrefix + warning + '\n';
    if (!file.loaded) {
        output.err += failureMessage(file, placement.named) + '\n';
        output.status = ExitFailure;
        return output;
    }

    for (int row = 1; row < statistics.rowCount(); ++row) {
        if (placement.named) {
            appendField(output.out, file.path);
            output.out += '\t';
        }
        for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
            if (column > 0)
                output.out += '\t';
            appendField(output.out, file.utf8(statistics.cell(row, column)));
        }
        output.out += '\n';
    }
    return output;
}

} // namespace kvd
