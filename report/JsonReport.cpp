// --format=json: one object per file (the members are described by
// report/kvdreport.schema.json), an array of them for several files. Each object is
// written as it is made, a batch of bytes at a time: a file of ten million duplicate
// rows or sources never has its whole document in memory. Members come in the order
// of their names.
// --format=jsonl: the same objects, compact, one a line, whatever the number of files;
// a failed file's error is an object {code, message} there.

#include "report/ByValueReport.h"
#include "report/DuplicateGroups.h"
#include "report/JsonWriter.h"
#include "report/OutputBatch.h"
#include "report/ReportFile.h"
#include "report/ReportFormats.h"

namespace kvd {

namespace {

const char* valuesState(MeasurementFigures::State state)
{
    switch (state) {
    case MeasurementFigures::State::Computed: return "numbers";
    case MeasurementFigures::State::Invalid: return "invalid";
    case MeasurementFigures::State::NotNumeric: return "not numbers";
    }
    return "";
}

// The object of one file, written into a batch that is handed on whenever it fills.
class FileObjectWriter {
public:
    // `jsonLines`: the compact layout, and a failure's error as an object.
    FileObjectWriter(const ReportFile& file, OutputBatch& batch, bool jsonLines)
        : m_file(file), m_batch(batch),
          m_json(batch.text(), jsonLines ? JsonWriter::Layout::Compact : JsonWriter::Layout::Indented),
          m_jsonLines(jsonLines)
    {
    }

    // False once the batch's sink refused bytes.
    bool write()
    {
        m_json.beginObject();
        const bool written = m_file.loaded ? writeLoaded() : writeFailed();
        m_json.endObject();
        return written;
    }

private:
    void text(std::string_view bytes) { m_json.string(m_file.utf8(bytes)); }
    void cell(int row, int column) { text(m_file.document.table.cell(row, column)); }
    void line(int objectRow) { m_json.integer(static_cast<std::int64_t>(m_file.lineOfRow(objectRow))); }

    // In JSON, the message is the error as it was before codes existed, and the code
    // stands beside it; in JSON lines, the error is {code, message}.
    bool writeFailed()
    {
        if (!m_jsonLines) {
            m_json.key("code");
            m_json.string(failureCode(m_file.failure));
        }
        m_json.key("error");
        if (m_jsonLines) {
            m_json.beginObject();
            m_json.key("code");
            m_json.string(failureCode(m_file.failure));
            m_json.key("message");
            m_json.string(m_file.error);
            m_json.endObject();
        } else {
            m_json.string(m_file.error);
        }
        m_json.key("file");
        m_json.string(m_file.path);
        if (!m_file.warnings.empty())
            warnings();
        return true;
    }

    bool writeLoaded()
    {
        const SummaryReport& report = m_file.document.summary.report;
        if (m_file.by) {
            m_json.key("by");
            if (!writeByValueJson(m_json, m_batch, m_file))
                return false;
        }
        m_json.key("duplicates");
        if (!duplicates())
            return false;
        m_json.key("file");
        m_json.string(m_file.path);
        if (isLearningKind(report.kind)) {
            m_json.key("groups");
            if (!tallies(report.groups, report.columns.group))
                return false;
        }
        m_json.key("kind");
        m_json.string(kindTag(m_file.result.kind));
        m_json.key("measurements");
        m_json.integer(report.measurementCount);
        m_json.key("objects");
        m_json.integer(m_file.document.table.objectCount());
        m_json.key("sources");
        if (!tallies(report.sources, report.columns.source))
            return false;
        m_json.key("statistics");
        statistics();
        if (isLearningKind(report.kind) && !statuses())
            return false;
        warnings();
        return true;
    }

    // One {count, lines, object, source} object per group of duplicate rows; count
    // includes the earlier row the group repeats.
    bool duplicates()
    {
        const DataTable& table = m_file.document.table;
        m_json.beginArray();
        const bool written = DuplicateGroups(m_file).forEachGroup([&](const DuplicateGroups::Rows& rows) {
            m_json.beginObject();
            m_json.key("count");
            m_json.integer(static_cast<std::int64_t>(rows.size()) + 1);
            m_json.key("lines");
            m_json.beginArray();
            for (std::size_t i = 0; i < rows.size(); ++i) {
                line(rows[i]);
                if (!m_batch.flushIfFull())
                    return false;
            }
            m_json.endArray();
            m_json.key("object");
            text(table.cell(rows.front(), 0));
            m_json.key("source");
            text(table.cell(rows.front(), 1));
            m_json.endObject();
            return true;
        });
        m_json.endArray();
        return written;
    }

    // One {count, line, value} object per tally: the rows spelled exactly so, the
    // line of the entry's first row, and the spelling shown.
    bool tallies(const std::vector<ReportTally>& entries, int column)
    {
        m_json.beginArray();
        for (const ReportTally& tally : entries) {
            m_json.beginObject();
            m_json.key("count");
            m_json.integer(tally.count);
            m_json.key("line");
            line(tally.row);
            m_json.key("value");
            cell(tally.row, column);
            m_json.endObject();
            if (!m_batch.flushIfFull())
                return false;
        }
        m_json.endArray();
        return true;
    }

    bool statuses()
    {
        const SummaryReport& report = m_file.document.summary.report;
        m_json.key("statuses");
        m_json.beginObject();
        m_json.key("test");
        if (report.hasTestStatus)
            m_json.integer(report.testCount);
        else
            m_json.null();
        m_json.key("unknown");
        const bool written = tallies(report.unknownStatuses, report.columns.status);
        m_json.endObject();
        return written;
    }

    void statistics()
    {
        m_json.beginArray();
        for (const MeasurementFigures& figures : m_file.document.summary.figures)
            measurement(figures);
        m_json.endArray();
    }

    void measurement(const MeasurementFigures& figures)
    {
        const StatisticsTable& grid = m_file.document.summary.statistics;
        const bool computed = figures.state == MeasurementFigures::State::Computed;
        m_json.beginObject();
        m_json.key("max");
        m_json.number(figures.maximum);
        m_json.key("mean");
        m_json.number(figures.mean);
        m_json.key("min");
        m_json.number(figures.minimum);
        m_json.key("n");
        if (computed)
            m_json.integer(figures.count);
        else
            m_json.null();
        m_json.key("name");
        text(grid.cell(figures.row, 0));
        m_json.key("shown");
        shownFigures(figures.row);
        m_json.key("stdErr");
        m_json.number(figures.standardError);
        m_json.key("values");
        m_json.string(valuesState(figures.state));
        m_json.endObject();
    }

    // The texts of the statistics grid, as the Summary page shows them.
    void shownFigures(int gridRow)
    {
        const StatisticsTable& grid = m_file.document.summary.statistics;
        m_json.beginObject();
        static constexpr const char* Names[] = {"max", "mean", "min", "stdErr"};
        static constexpr int Columns[] = {4, 1, 3, 2};
        for (int i = 0; i < 4; ++i) {
            m_json.key(Names[i]);
            text(grid.cell(gridRow, Columns[i]));
        }
        m_json.endObject();
    }

    void warnings()
    {
        m_json.key("warnings");
        m_json.beginArray();
        for (const std::string& warning : m_file.warnings)
            m_json.string(warning);
        m_json.endArray();
    }

    const ReportFile& m_file;
    OutputBatch& m_batch;
    JsonWriter m_json;
    bool m_jsonLines;
};

// The file's object, ended by a line end unless `inArray` leaves it to the array.
bool writeFileObject(const ReportFile& file, bool inArray, bool jsonLines, const ReportSink& sink)
{
    OutputBatch batch(sink);
    const bool written = FileObjectWriter(file, batch, jsonLines).write();
    if (!inArray)
        batch.text() += '\n';
    return written && batch.flush();
}

// Adds the file's object to output: streamed when the file is loaded, held whole (it
// is small) when it failed.
void addFileObject(ReportOutput& output, const ReportFile& file, FilePlacement placement, bool jsonLines)
{
    const bool inArray = placement.several && !jsonLines;
    if (file.loaded) {
        output.stream = [&file, inArray, jsonLines](const ReportSink& sink) {
            return writeFileObject(file, inArray, jsonLines, sink);
        };
        reportByValueError(file, placement.named, output);
        return;
    }
    writeFileObject(file, inArray, jsonLines, [&output](std::string_view bytes) {
        output.out += bytes;
        return true;
    });
    output.err = failureMessage(file, placement.named) + '\n';
    output.status = ExitFailure;
}

} // namespace

ReportOutput jsonReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    if (placement.several)
        output.out = placement.index == 0 ? "[\n" : ",\n";
    addFileObject(output, file, placement, false);
    return output;
}

ReportOutput jsonLinesReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    addFileObject(output, file, placement, true);
    return output;
}

} // namespace kvd
