// --check: one "FILE:LINE: message" line per problem, nothing for a clean file. LINE
// counts the file's lines from 1.

#include "app/ReportFile.h"
#include "app/ReportFormats.h"

#include "datafile/NumberText.h"

#include <cstdint>

namespace kvd {

namespace {

class ProblemList {
public:
    explicit ProblemList(const ReportFile& file) : m_file(file) {}

    void add(std::uint64_t lineNumber, const std::string& message)
    {
        m_out += m_file.path + ':' + std::to_string(lineNumber) + ": " + message + '\n';
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
            if (!isNumberText(PointToLocale(cell, separator), separator))
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
    problems.add(file.result.columnNameLineNumber, "no measurement: no column holds numbers");
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
    findInvalidValues(file, problems);
    output.status = problems.empty() ? ExitSuccess : ExitProblems;
    output.out = problems.take();
    return output;
}

} // namespace kvd
