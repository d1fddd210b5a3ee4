// The default output: each file's summary report, an empty line, "Measurements
// Statistics :" and the statistics grid with TAB between cells. With several files
// (or -H), a "==> FILE <==" line before each, and an empty line between them.

#include "report/ByValueReport.h"
#include "report/ReportFile.h"
#include "report/OutputBatch.h"
#include "report/ReportFormats.h"
#include "report/TerminalText.h"
#include "summary/ReportLines.h"
#include "summary/StatisticsByValueGrid.h"

namespace kvd {

namespace {

void appendLine(std::string& out, const std::string& text)
{
    out += text;
    out += '\n';
}

// The report lines, an empty line, the heading and the statistics grid, with TAB
// between its cells. False once the sink refused bytes.
bool writeReport(const ReportFile& file, bool escaped, const ReportSink& sink)
{
    OutputBatch batch(sink);
    std::string& text = batch.text();
    const ReportLines lines(file.document.summary.report, file.document.table);
    const bool rawLines = file.document.encoding == TextEncoding::Utf8 && !escaped;
    std::string line;
    for (std::size_t index = 0; index < lines.count(); ++index) {
        if (rawLines) {
            lines.appendLine(text, index);
        } else {
            line.clear();
            file.appendUtf8(line, lines.line(index));
            appendText(text, line, escaped);
        }
        text += '\n';
        if (!batch.flushIfFull())
            return false;
    }
    text += "\nMeasurements Statistics :\n";
    const StatisticsTable& statistics = file.document.summary.statistics;
    for (int row = 0; row < statistics.rowCount(); ++row) {
        for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
            if (column > 0)
                text += '\t';
            line.clear();
            file.appendUtf8(line, statistics.cell(row, column));
            appendText(text, line, escaped);
        }
        text += '\n';
    }
    if (file.byValue) {
        text += "\nStatistics by " + std::string(StatisticsByValueGrid::heading(file.byValue->key, 0)) + " :\n";
        text += byValueHeading(file, false);
        if (!writeByValueRows(batch, file, {}, escaped))
            return false;
    }
    return batch.flush();
}

} // namespace

ReportOutput textReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    if (placement.named)
        output.out = (placement.index > 0 ? "\n==> " : "==> ")
                     + (placement.terminal ? escapedControls(file.path) : file.path) + " <==\n";
    const std::string warningPrefix = placement.named ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        appendLine(output.err, warningPrefix + warning);
    if (!file.loaded) {
        appendLine(output.err, failureMessage(file, placement.named));
        output.status = ExitFailure;
        return output;
    }
    reportByValueError(file, placement.named, output);

    const bool escaped = placement.terminal;
    output.stream = [&file, escaped](const ReportSink& sink) { return writeReport(file, escaped, sink); };
    return output;
}

std::string reportEnding(ReportFormat format, int fileCount)
{
    if (format != ReportFormat::Json || fileCount == 1)
        return {};
    return fileCount == 0 ? "[]\n" : "\n]\n";
}

} // namespace kvd
