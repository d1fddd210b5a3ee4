// --check: one "FILE:LINE: message" line per problem, in line order, nothing for a
// clean file. LINE counts the file's lines from 1.

#include "report/ReportFile.h"
#include "report/ReportFormats.h"

#include "datafile/NumberText.h"
#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kvd {

namespace {

class ProblemLines {
public:
    explicit ProblemLines(const ReportFile& file) : m_file(file) {}

    void add(std::uint64_t lineNumber, const std::string& message)
    {
        m_out += m_file.path;
        m_out += ':';
        m_out += std::to_string(lineNumber);
        m_out += ": ";
        m_out += message;
        m_out += '\n';
    }
    // The line of object row r.
    std::uint64_t rowLine(int rowIndex) const
    {
        return m_file.result.columnNameLineNumber + static_cast<std::uint64_t>(rowIndex);
    }
    std::string quoted(std::string_view bytes) const { return '"' + m_file.utf8(bytes) + '"'; }

    bool empty() const noexcept { return m_out.empty(); }
    std::string take() { return std::move(m_out); }

private:
    const ReportFile& m_file;
    std::string m_out;
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
    explicit StatusCheck(const Document& document)
        : m_collation(document.collation()), m_encoding(document.encoding)
    {
    }

    bool isUnknown(std::string_view status)
    {
        auto spelling = m_unknown.find(status);
        if (spelling == m_unknown.end()) {
            const QString text = decodeText(status, m_encoding);
            const bool unknown = m_collation.compare(text, QStringLiteral("Learning")) != 0
                && m_collation.compare(text, QStringLiteral("Test")) != 0;
            spelling = m_unknown.emplace(status, unknown).first;
        }
        return spelling->second;
    }

private:
    const Collation& m_collation;
    TextEncoding m_encoding;
    std::unordered_map<std::string_view, bool> m_unknown; // views into the table's bytes
};

} // namespace

ReportOutput checkReport(const ReportFile& file, FilePlacement)
{
    ReportOutput output;
    if (!file.loaded) {
        output.err = failureMessage(file, true) + '\n';
        output.status = ExitFailure;
        return output;
    }
    const DataTable& table = file.document.table;
    const Summary& summary = file.document.summary;
    const SummaryReport& report = summary.report;
    ProblemLines problems(file);
    if (!hasMeasurement(summary)) {
        problems.add(file.result.columnNameLineNumber,
                     "no measurement: the first object line holds no number past the identifiers");
    }

    const std::vector<int> invalid = invalidColumns(summary);
    const char decimalSeparator = userDecimalSeparator();
    const bool checksStatus = !report.unknownStatuses.empty();
    StatusCheck statusCheck(file.document);
    auto duplicate = report.duplicateRows.begin();
    std::string number; // the rewritten text of a measurement cell
    for (int row = 1; row <= table.objectCount(); ++row) {
        const std::uint64_t line = problems.rowLine(row);
        if (duplicate != report.duplicateRows.end() && *duplicate == row) {
            problems.add(line, "object " + problems.quoted(table.cell(row, 0)) + " of source "
                                   + problems.quoted(table.cell(row, 1)) + " is a duplicate of an earlier line");
            ++duplicate;
        }
        for (const int column : invalid) {
            const std::string_view cell = table.cell(row, column);
            double value = 0;
            if (!measurementValue(cell, decimalSeparator, value, number)) {
                problems.add(line, "value " + problems.quoted(cell) + " of measurement "
                                       + problems.quoted(table.cell(0, column)) + " is not a number");
            }
        }
        if (checksStatus) {
            const std::string_view status = table.cell(row, report.columns.status);
            if (statusCheck.isUnknown(status))
                problems.add(line, "status " + problems.quoted(status) + " is neither \"Learning\" nor \"Test\"");
        }
    }
    output.status = problems.empty() ? ExitSuccess : ExitProblems;
    output.out = problems.take();
    return output;
}

} // namespace kvd
