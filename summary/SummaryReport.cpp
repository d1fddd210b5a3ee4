#include "summary/SummaryReport.h"

#include "datafile/DataTable.h"
#include "common/Errors.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"
#include "summary/DuplicateRows.h"

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
    return [&table, column](int rowIndex) { return TwoPieceText{table.cell(rowIndex, column), {}}; };
}

DistinctValues columnValues(const DataTable& table, int column, const Collation& collation, TextEncoding encoding)
{
    return DistinctValues(collation, encoding, columnText(table, column), 1, table.objectCount() + 1);
}

void findDuplicates(const DataTable& table, const Collation& collation, TextEncoding encoding,
                    RowSet& duplicateRows)
{
    duplicateRows.reserve(table.objectCount() + 1);
    const TextOfRow keyOfRow = [&table](int rowIndex) {
        return TwoPieceText{table.cell(rowIndex, 0), table.cell(rowIndex, 1)};
    };
    findDuplicateRows(collation, encoding, keyOfRow, 1, table.objectCount() + 1,
                      [&duplicateRows](int row) { duplicateRows.add(row); });
}

void tallyStatuses(const DataTable& table, int statusColumn, const Collation& collation, TextEncoding encoding,
                   SummaryReport& report)
{
    DistinctValues statuses = columnValues(table, statusColumn, collation, encoding);
    statuses.remove(statuses.find("Learning"));
    const int test = statuses.find("Test");
    if (test >= 0) {
        statuses.remove(test);
        report.hasTestStatus = true;
        report.testCount = statuses.exactCount("Test");
    }
    report.unknownStatuses = statuses.takeTallies();
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
    report.sources = columnValues(table, report.columns.source, collation, encoding).takeTallies();
    report.done = SummaryReport::Step::Sources;
    if (!isLearningKind(kind))
        return;
    tallyStatuses(table, report.columns.status, collation, encoding, report);
    report.done = SummaryReport::Step::Statuses;
    report.groups = columnValues(table, report.columns.group, collation, encoding).takeTallies();
    report.done = SummaryReport::Step::Groups;
}

} // namespace kvd
