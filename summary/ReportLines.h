#pragma once

#include "summary/SummaryReport.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kvd {

// What one line of the report speaks of, so that a view can go from the line to
// the rows it names.
enum class ReportLineKind {
    Text,      // names no rows: title, size, separators, headings
    Duplicate, // a duplicate warning: `row` is the row warned about
    Source,    // a source (tally line or the single-source line): `row` is its entry's first row
    Status,    // an unknown status's tally line: `row` is its entry's first row
    TestStatus, // the Test line: `row` is -1, the value is "Test"
    Group,     // a group's tally line: `row` is its entry's first row
};

struct ReportLineTarget {
    ReportLineKind kind = ReportLineKind::Text;
    int row = -1;
    int column = -1; // the column the line's value stands in (source, status or group)
};

// The lines of a summary report, made on demand from the report's facts and the
// table's cells: the report stores no text of its own. Lines hold the file's bytes
// (they quote cells). Both the report and the table must outlive this object.
class ReportLines {
public:
    ReportLines(const SummaryReport& report, const DataTable& table);

    std::size_t count() const noexcept { return m_lineCount; }
    // Line `index` (< count()), without line end.
    std::string line(std::size_t index) const;
    // The same, appended to out: a writer of many lines makes them without a string each.
    void appendLine(std::string& out, std::size_t index) const;
    ReportLineTarget target(std::size_t index) const;

private:
    // A run of lines of one form: a fixed text, or one line per item of a list.
    struct Run {
        enum class Form { Fixed, Duplicates, Sources, Statuses, Groups };
        Form form = Form::Fixed;
        std::size_t firstLine = 0;
        std::size_t lineCount = 1;
        std::string text;                  // Fixed
        ReportLineTarget target;           // Fixed
    };

    void addFixed(std::string text, ReportLineTarget target = {});
    void addList(Run::Form form, std::size_t count);
    const Run& runOf(std::size_t index) const;
    void appendTallyLine(std::string& out, const ReportTally& tally, int column) const;

    const SummaryReport& m_report;
    const DataTable& m_table;
    std::vector<Run> m_runs;
    std::size_t m_lineCount = 0;
};

} // namespace kvd
