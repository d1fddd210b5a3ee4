// The default output: each file's summary report, an empty line, "Measurements
// Statistics :" and the statistics grid with TAB between cells. With several files
// (or -H), a "==> FILE <==" line before each, and an empty line between them.

#include "report/ReportFile.h"
#include "report/ReportFormats.h"
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
    if (placement.named)
        output.out = (placement.index > 0 ? "\n==> " : "==> ") + file.path + " <==\n";
    const std::string warningPrefix = placement.named ? file.path + ": " : std::string();
    for (const std::string& warning : file.warnings)
        appendLine(output.err, warningPrefix + warning);
    if (!file.loaded) {
        appendLine(output.err, failureMessage(file, placement.named));
        output.status = ExitFailure;
        return output;
    }

    output.stream = [&file](const ReportSink& sink) {
        // Lines are handed on in batches: a report of a million sources is written
        // as it is made, a few thousand lines at a time.
        constexpr std::size_t BatchBytes = 64 * 1024;
        const ReportLines lines(file.document.summary.report, file.document.table);
        std::string text;
        const bool utf8 = file.document.encoding == TextEncoding::Utf8;
        for (std::size_t index = 0; index < lines.count(); ++index) {
            if (utf8)
                lines.appendLine(text, index);
            else
                file.appendUtf8(text, lines.line(index));
            text += '\n';
            if (text.size() >= BatchBytes) {
                if (!sink(text))
                    return false;
                text.clear();
            }
        }
        text += "\nMeasurements Statistics :\n";
        const StatisticsTable& statistics = file.document.summary.statistics;
        for (int row = 0; row < statistics.rowCount(); ++row) {
            for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
                if (column > 0)
                    text += '\t';
                file.appendUtf8(text, statistics.cell(row, column));
            }
            text += '\n';
        }
        return sink(text);
    };
    return output;
}

std::string reportEnding(ReportFormat format, int fileCount)
{
    if (format != ReportFormat::Json || fileCount == 1)
        return {};
    return fileCount == 0 ? "[]\n" : "\n]\n";
}

} // namespace kvd
