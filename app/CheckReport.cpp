// --check: one "FILE:LINE: message" line per problem, nothing for a clean file. LINE
// counts the file's lines from 1.

#include "app/ReportFile.h"
#include "app/ReportFormats.h"

#include "datafile/NumberText.h"
#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"

#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kvd {

namespace {

// The problems of one file, written in line order.
class ProblemList {
public:
    explicit ProblemList(const ReportFile& file) : m_file(file) {}

    void add(std::uint64_t lineNumber, std::string message) { m_problems.push_back({lineNumber, std::move(message)}); }
    // The line of object row r.
    std::uint64_t rowLine(int rowIndex) const
    {
        return m_file.result.columnNameLineNumber + static_cast<std::uint64_t>(rowIndex);
    }
    std::string quoted(std::string_view bytes) const { return '"' + m_file.utf8(bytes) + '"'; }

    bool empty() const noexcept { return m_problems.empty(); }
    std::string lines()
    {
        std::stable_sort(m_problems.begin(), m_problems.end(),
                         [](const Problem& a, const Problem& b) { return a.lineNumber < b.lineNumber; });
        std::string out;
        for (const Problem& problem : m_problems)
            out += m_file.path + ':' + std::to_string(problem.lineNumber) + ": " + problem.message + '\n';
        return out;
    }

private:
    struct Problem {
        std::uint64_t lineNumber;
        std::string message;
    };

    const ReportFile& m_file;
    std::vector<Problem> m_problems;
};

void findDuplicates(const ReportFile& file, ProblemList& problems)
{
    const DataTable& table = file.document.table;
    for (const int row : file.document.summary.report.duplicateRows) {
        problems.add(problems.rowLine(row), "object " + problems.quoted(table.cell(row, 0)) + " of source "
                                                + problems.quoted(table.cell(row, 1))
                                                + " is a duplicate of an earlier line");
    }
}

// Every row of a learning file whose status the report counted as unknown: equal,
// under the report's collation, to neither "Learning" nor "Test".
void findUnknownStatuses(const ReportFile& file, ProblemList& problems)
{
    const SummaryReport& report = file.document.summary.report;
    if (report.unknownStatuses.empty())
        return;
    const DataTable& table = file.document.table;
    const Collation& collation = Collation::forLocale(QLocale::system());
    const QString learning = QStringLiteral("Learning");
    const QString test = QStringLiteral("Test");
    std::unordered_map<std::string_view, bool> knownSpellings; // a collation check per spelling, not per row
    for (int row = 1; row <= table.objectCount(); ++row) {
        const std::string_view status = table.cell(row, report.columns.status);
        auto spelling = knownSpellings.find(status);
        if (spelling == knownSpellings.end()) {
            const QString text = decodeText(status, file.document.encoding);
            const bool known = collation.compare(text, learning) == 0 || collation.compare(text, test) == 0;
            spelling = knownSpellings.emplace(status, known).first;
        }
        if (!spelling->second)
            problems.add(problems.rowLine(row), "status " + problems.quoted(status)
                                                    + " is neither \"Learning\" nor \"Test\"");
    }
}

// Every value that is not a number in the columns whose statistics stopped at one.
void findInvalidValues(const ReportFile& file, ProblemList& problems)
{
    const DataTable& table = file.document.table;
    const char separator = userDecimalSeparator();
    for (const MeasurementFigures& figures : file.document.summary.figures) {
        if (figures.state != MeasurementFigures::State::Invalid)
            continue;
        const std::string name = problems.quoted(table.cell(0, figures.column));
        for (int row = 1; row <= table.objectCount(); ++row) {
            const std::string_view cell = table.cell(row, figures.column);
            double value = 0;
            if (!measurementValue(cell, separator, value))
                problems.add(problems.rowLine(row),
                             "value " + problems.quoted(cell) + " of measurement " + name + " is not a number");
        }
    }
}

void findMissingMeasurements(const ReportFile& file, ProblemList& problems)
{
    for (const MeasurementFigures& figures : file.document.summary.figures) {
        if (figures.state != MeasurementFigures::State::NotNumeric)
            return;
    }
    problems.add(file.result.columnNameLineNumber,
                 "no measurement: the first object line holds no number past the identifiers");
}

} // namespace

ReportOutput checkReport(const ReportFile& file, FilePlacement)
{
    ReportOutput output;
    if (!file.loaded) {
        output.err = failureMessage(file, true) + '\n';
        output.status = ExitFailure;
        return output;
    }
    ProblemList problems(file);
    findMissingMeasurements(file, problems);
    findDuplicates(file, problems);
    findInvalidValues(file, problems);
    findUnknownStatuses(file, problems);
    output.status = problems.empty() ? ExitSuccess : ExitProblems;
    output.out = problems.lines();
    return output;
}

} // namespace kvd
