// --check: one "FILE:LINE: message" line per problem, in line order, nothing for a
// clean file. LINE counts the file's lines from 1. With --format=jsonl, one compact
// object {code, file, line, message} a line instead.

#include "report/JsonWriter.h"
#include "report/OutputBatch.h"
#include "report/ReportFile.h"
#include "report/ReportFormats.h"
#include "report/TerminalText.h"

#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kvd {

namespace {

// One problem as a JSON line; a line number of 0 is null (the file as a whole).
void appendProblemObject(std::string& out, const std::string& path, std::uint64_t lineNumber, const char* code,
                         const std::string& message)
{
    JsonWriter json(out, JsonWriter::Layout::Compact);
    json.beginObject();
    json.key("code");
    json.string(code);
    json.key("file");
    json.string(path);
    json.key("line");
    if (lineNumber > 0)
        json.integer(static_cast<std::int64_t>(lineNumber));
    else
        json.null();
    json.key("message");
    json.string(message);
    json.endObject();
    out += '\n';
}

// The problem lines of one file, handed on a batch at a time. The file's texts are
// always written with their control characters escaped: editors and scripts read
// these lines one per problem.
class ProblemLines {
public:
    ProblemLines(const ReportFile& file, const ReportSink& sink, bool jsonLines)
        : m_file(file), m_batch(sink), m_path(escapedControls(file.path)), m_jsonLines(jsonLines)
    {
    }

    // `code` names the kind of problem for programs. False once the sink refused bytes.
    bool add(std::uint64_t lineNumber, const char* code, const std::string& message)
    {
        std::string& out = m_batch.text();
        if (m_jsonLines) {
            appendProblemObject(out, m_file.path, lineNumber, code, message);
            return m_batch.flushIfFull();
        }
        out += m_path;
        out += ':';
        out += std::to_string(lineNumber);
        out += ": ";
        out += message;
        out += '\n';
        return m_batch.flushIfFull();
    }
    std::string quoted(std::string_view bytes) const { return '"' + escapedControls(m_file.utf8(bytes)) + '"'; }

    bool finish() { return m_batch.flush(); }

private:
    const ReportFile& m_file;
    OutputBatch m_batch;
    std::string m_path;
    bool m_jsonLines;
};

bool hasMeasurement(const Summary& summary)
{
    for (const MeasurementFigures& figures : summary.figures) {
        if (figures.state != MeasurementFigures::State::NotNumeric)
            return true;
    }
    return false;
}

// The columns whose statistics stopped at a value that is not a number.
std::vector<int> invalidColumns(const Summary& summary)
{
    std::vector<int> columns;
    for (const MeasurementFigures& figures : summary.figures) {
        if (figures.state == MeasurementFigures::State::Invalid)
            columns.push_back(figures.column);
    }
    return columns;
}

// Whether a status is one the report counts as unknown: equal, under the report's
// collation, to neither "Learning" nor "Test". The collation is asked once per
// spelling, not once per row.
class StatusCheck {
public:
    StatusCheck(const QLocale& locale, TextEncoding encoding)
        : m_collation(Collation::forLocale(locale)), m_encoding(encoding)
    {
    }

    bool isUnknown(std::string_view status)
    {
        auto spelling = m_unknown.find(status);
        if (spelling == m_unknown.end()) {
            const QString text = decodeText(status, m_encoding);
            const bool unknown = m_collation.compare(text, QStringLiteral("Learning")) != 0
                && m_collation.compare(text, QStringLiteral("Test")) != 0;
            if (m_unknown.size() == MaxSpellings)
                m_unknown.clear(); // a file of millions of spellings keeps no more
            spelling = m_unknown.emplace(status, unknown).first;
        }
        return spelling->second;
    }

private:
    static constexpr std::size_t MaxSpellings = 4096;

    const Collation& m_collation;
    TextEncoding m_encoding;
    std::unordered_map<std::string_view, bool> m_unknown; // views into the table's bytes
};

// Whether the file has any problem that --check lists.
bool hasProblems(const Summary& summary)
{
    return !hasMeasurement(summary) || !invalidColumns(summary).empty() || !summary.report.duplicateRows.empty()
           || !summary.report.unknownStatuses.empty();
}

// Writes the problem lines of a loaded file, in line order. False once the sink
// refused bytes.
bool writeProblems(const ReportFile& file, bool jsonLines, const ReportSink& sink)
{
    const DataTable& table = file.document.table;
    const Summary& summary = file.document.summary;
    const SummaryReport& report = summary.report;
    ProblemLines problems(file, sink, jsonLines);
    if (!hasMeasurement(summary)
        && !problems.add(file.lineOfRow(std::min(1, table.objectCount())), "no-measurement",
                         "no measurement: the first object line holds no number past the identifiers"))
        return false;

    const std::vector<int> invalid = invalidColumns(summary);
    const char decimalSeparator = file.locale.decimalSeparator;
    const bool checksStatus = !report.unknownStatuses.empty();
    StatusCheck statusCheck(file.locale.collation, file.document.encoding);
    auto duplicate = report.duplicateRows.begin();
    std::string number; // the rewritten text of a measurement cell
    bool written = true;
    for (int row = 1; row <= table.objectCount() && written; ++row) {
        const std::uint64_t line = file.lineOfRow(row);
        if (duplicate != report.duplicateRows.end() && *duplicate == row) {
            written = problems.add(line, "duplicate", "object " + problems.quoted(table.cell(row, 0)) + " of source "
                                             + problems.quoted(table.cell(row, 1))
                                             + " is a duplicate of an earlier line");
            ++duplicate;
        }
        for (const int column : invalid) {
            const std::string_view cell = table.cell(row, column);
            double value = 0;
            if (written && !measurementValue(cell, decimalSeparator, value, number)) {
                written = problems.add(line, "not-a-number", "value " + problems.quoted(cell) + " of measurement "
                                                 + problems.quoted(table.cell(0, column)) + " is not a number");
            }
        }
        if (written && checksStatus) {
            const std::string_view status = table.cell(row, report.columns.status);
            if (statusCheck.isUnknown(status))
                written = problems.add(line, "unknown-status", "status " + problems.quoted(status)
                                                 + " is neither \"Learning\" nor \"Test\"");
        }
    }
    return written && problems.finish();
}

ReportOutput problemReport(const ReportFile& file, bool jsonLines)
{
    ReportOutput output;
    if (!file.loaded) {
        output.err = failureMessage(file, true) + '\n';
        output.status = ExitFailure;
        if (jsonLines) // a file that could not be checked is a problem of its own
            appendProblemObject(output.out, file.path, 0, failureCode(file.failure), file.error);
        return output;
    }
    if (!hasProblems(file.document.summary))
        return output;
    output.status = ExitProblems;
    output.stream = [&file, jsonLines](const ReportSink& sink) { return writeProblems(file, jsonLines, sink); };
    return output;
}

} // namespace

ReportOutput checkReport(const ReportFile& file, FilePlacement)
{
    return problemReport(file, false);
}

ReportOutput checkJsonLinesReport(const ReportFile& file, FilePlacement)
{
    return problemReport(file, true);
}

} // namespace kvd
