// The statistics grid alone, for spreadsheets and join: one heading line, then one
// line per measurement. With several files (or -H), a first column "File" names each
// row's file and the heading comes once.

#include "report/ByValueReport.h"
#include "report/OutputBatch.h"
#include "report/ReportFile.h"
#include "report/ReportFormats.h"
#include "report/TerminalText.h"

namespace kvd {

namespace {

// A cell as one TSV field: TAB and line ends inside it would split the row. On a
// terminal, its other control characters are escaped.
void appendField(std::string& out, std::string_view text, bool escaped)
{
    const std::size_t start = out.size();
    for (const char c : text)
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    if (escaped) {
        const std::string field = out.substr(start);
        out.resize(start);
        appendEscapedControls(out, field);
    }
}

} // namespace

ReportOutput tsvReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    const StatisticsTable& statistics = file.document.summary.statistics;
    if (placement.index == 0 && (placement.named || file.loaded)) {
        if (file.by)
            output.out = byValueHeading(file, placement.named);
        else
            output.out = placement.named ? "File\tName\tMean\tStd_Err\tMin\tMax\n" : "Name\tMean\tStd_Err\tMin\tMax\n";
    }
    const std::string warningPrefix = placement.named ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        output.err += warningPrefix + warning + '\n';
    if (!file.loaded) {
        output.err += failureMessage(file, placement.named) + '\n';
        output.status = ExitFailure;
        return output;
    }
    if (file.by) {
        reportByValueError(file, placement.named, output);
        output.stream = [&file, named = placement.named, escaped = placement.terminal](const ReportSink& sink) {
            OutputBatch batch(sink);
            return writeByValueRows(batch, file, named ? file.path + '\t' : std::string(), escaped) && batch.flush();
        };
        return output;
    }

    for (int row = 1; row < statistics.rowCount(); ++row) {
        if (placement.named) {
            appendField(output.out, file.path, placement.terminal);
            output.out += '\t';
        }
        for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
            if (column > 0)
                output.out += '\t';
            appendField(output.out, file.utf8(statistics.cell(row, column)), placement.terminal);
        }
        output.out += '\n';
    }
    return output;
}

} // namespace kvd
