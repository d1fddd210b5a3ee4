#include "summary/SummaryReport.h"

#include "datafile/DataTable.h"
#include "common/Errors.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"

#include <string_view>

namespace kvd {

namespace {

ReportColumns reportColumns(const DataTable& table, FileKind kind)
{
    const int columns = table.columnCount();
    ReportColumns result;
    result.source = isWumKind(kind) ? columns - 1 : 1;
    if (isLearningKind(kind)) {
        result.status = columns - 1;
        result.group = columns - 2;
    }
    return result;
}

TextOfRow columnText(const DataTable& table, int column)
{
    return [&table, column](int rowIndex) { return SplitText{table.cell(rowIndex, column), {}}; };
}

// The values of one column over every object row: exact spellings counted, and
// the distinct values (collation-equal texts merged) built from the first row of
// each spelling, in row order, which gives the same entries and first spellings as
// adding every row.
struct ColumnValues {
    ColumnValues(const DataTable& table, int column, const Collation& collation, TextEncoding encoding)
        : textOfRow(columnText(table, column)), spellings(textOfRow), values(collation, encoding, textOfRow)
    {
        for (int row = 1; row <= table.objectCount(); ++row)
            spellings.add(row);
        for (const int row : spellings.firstRows())
            values.add(row);
    }

    // One tally per entry present, in collation order.
    std::vector<ReportTally> tallies() const
    {
        std::vector<ReportTally> result;
        const std::vector<int> rows = values.firstRowsInOrder();
        result.reserve(rows.size());
        for (const int row : rows)
            result.push_back(ReportTally{row, spellings.count(textOfRow(row))});
        return result;
    }

    TextOfRow textOfRow;
    SpellingCounts spellings;
    DistinctValues values;
};

void findDuplicates(const DataTable& table, const Collation& collation, TextEncoding encoding,
                    std::vector<int>& duplicateRows)
{
    DistinctValues keys(collation, encoding, [&table](int rowIndex) {
        return SplitText{table.cell(rowIndex, 0), table.cell(rowIndex, 1)};
    });
    keys.reserve(static_cast<std::size_t>(table.objectCount())); // keys are mostly distinct
    for (int row = 1; row <= table.objectCount(); ++row) {
        if (!keys.add(row))
            duplicateRows.push_back(row);
    }
}

void tallyStatuses(const DataTable& table, int statusColumn, const Collation& collation, TextEncoding encoding,
                   SummaryReport& report)
{
    ColumnValues statuses(table, statusColumn, collation, encoding);
    statuses.values.remove(statuses.values.find(SplitText{"Learning", {}}));
    const int test = statuses.values.find(SplitText{"Test", {}});
    if (test >= 0) {
        statuses.values.remove(test);
        report.hasTestStatus = true;
        report.testCount = statuses.spellings.count(SplitText{"Test", {}});
    }
    report.unknownStatuses = statuses.tallies();
}

} // namespace

void writeSummaryReport(const DataTable& table, FileKind kind, int measurementCount, TextEncoding encoding,
                        const QLocale& locale, SummaryReport& report)
{
    if (kind == FileKind::Unknown)
        throw Error("The summary report needs a file of a known kind");
    if (isLearningKind(kind) && table.columnCount() < 2)
        throw Error("A learning file needs a group column and a status column, but this table has only one column");

    report = SummaryReport{};
    report.kind = kind;
    report.objectCount = table.objectCount();
    report.measurementCount = measurementCount;
    report.columns = reportColumns(table, kind);
    report.done = SummaryReport::Step::Size;

    const Collation& collation = Collation::forLocale(locale);
    findDuplicates(table, collation, encoding, report.duplicateRows);
    report.done = SummaryReport::Step::Duplicates;
    report.sources = ColumnValues(table, report.columns.source, collation, encoding).tallies();
    report.done = SummaryReport::Step::Sources;
    if (!isLearningKind(kind))
        return;
    tallyStatuses(table, report.columns.status, collation, encoding, report);
    report.done = SummaryReport::Step::Statuses;
    report.groups = ColumnValues(table, report.columns.group, collation, encoding).tallies();
    report.done = SummaryReport::Step::Groups;
}

} // namespace kvd
