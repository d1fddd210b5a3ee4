// The statistics grid alone, for spreadsheets and join: one heading line, then one
// line per measurement. With several files, a first column "File" names each row's
// file and the heading comes once.

#include "report/ByValueReport.h"
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
    if (placement.index == 0 && (placement.several || file.loaded)) {
        if (file.by)
            output.out = byValueHeading(file, placement.several);
        else
            output.out = placement.several ? "File\tName\tMean\tStd_Err\tMin\tMax\n" : "Name\tMean\tStd_Err\tMin\tMax\n";
    }
    const std::string warningPrefix = placement.several ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        output.err += warningPrefix + warning + '\n';
    if (!file.loaded) {
        output.err += failureMessage(file, placement.several) + '\n';
        output.status = ExitFailure;
        return output;
    }
    if (file.by) {
        reportByValueError(file, placement.several, output);
        output.stream = [&file, several = placement.several](const ReportSink& sink) {
            std::string text;
            return writeByValueRows(text, file, several ? file.path + '\t' : std::string(), sink);
        };
        return output;
    }

    for (int row = 1; row < statistics.rowCount(); ++row) {
        if (placement.several) {
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
