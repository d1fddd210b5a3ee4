// The default output: each file's summary report, an empty line, "Measurements
// Statistics :" and the statistics grid with TAB between cells. With several files,
// a "==> FILE <==" line before each, and an empty line between them.

#include "app/ReportFile.h"
#include "app/ReportFormats.h"
#include "summary/ReportLines.h"

namespace kvd {

namespace {

void appendLine(std::string& out, const std::string& text)
{
    out += text;
    out += '\n';
}

} // namespace

ReportOutput textReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    if (placement.several)
        output.out = (placement.index > 0 ? "\n==> " : "==> ") + file.path + " <==\n";
    const std::string warningPrefix = placement.several ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        appendLine(output.err, warningPrefix + warning);
    if (!file.loaded) {
        appendLine(output.err, failureMessage(file, placement.several));
        output.status = ExitFailure;
        return output;
    }

    output.stream = [&file](const ReportSink& sink) {
        const ReportLines lines(file.document.summary.report, file.document.table);
        std::string text;
        for (std::size_t index = 0; index < lines.count(); ++index) {
            text.clear();
            appendLine(text, file.utf8(lines.line(index)));
            if (!sink(text))
                return false;
        }
        text = "\nMeasurements Statistics :\n";
        const StatisticsTable& statistics = file.document.summary.statistics;
        for (int row = 0; row < statistics.rowCount(); ++row) {
            for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
                if (column > 0)
                    text += '\t';
                text += file.utf8(statistics.cell(row, column));
            }
            text += '\n';
        }
        return sink(text);
    };
    return output;
}

std::string reportEnding(ReportFormat format, int fileCount)
{
    return format == ReportFormat::Json && fileCount > 1 ? "\n]\n" : std::string();
}

} // namespace kvd
