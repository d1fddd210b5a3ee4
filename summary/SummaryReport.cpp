#include "summary/SummaryReport.h"

#include "datafile/DataTable.h"
#include "common/Errors.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"

#include <string_view>

namespace kvd {

namespace {

const std::string Separator(48, '-');

// Where the report finds its columns, by position (C columns).
struct ReportColumns {
    int source = 1; // 1 for KVD and LEARNING, C-1 for the WUM kinds
    int status = -1; // C-1, learning kinds only
    int group = -1;  // C-2, learning kinds only
};

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

    TextOfRow textOfRow;
    SpellingCounts spellings;
    DistinctValues values;
};

// One " - value (k objects)" line per entry present, in collation order; k counts the
// rows spelled exactly as the entry.
void appendTallies(const ColumnValues& column, std::vector<std::string>& lines)
{
    for (const int row : column.values.firstRowsInOrder()) {
        const SplitText value = column.textOfRow(row);
        const int count = column.spellings.count(value);
        std::string line = " - ";
        line.append(value.head);
        line += " (" + std::to_string(count) + (count > 1 ? " objects)" : " object)");
        lines.push_back(std::move(line));
    }
}

void appendDuplicateWarnings(const DataTable& table, FileKind kind, const ReportColumns& columns,
                             const Collation& collation, TextEncoding encoding, std::vector<std::string>& lines)
{
    DistinctValues keys(collation, encoding, [&table](int rowIndex) {
        return SplitText{table.cell(rowIndex, 0), table.cell(rowIndex, 1)};
    });
    keys.reserve(static_cast<std::size_t>(table.objectCount())); // keys are mostly distinct
    bool anyDuplicate = false;
    for (int row = 1; row <= table.objectCount(); ++row) {
        if (keys.add(row))
            continue;
        std::string line = "WARNING: Object ";
        line.append(table.cell(row, 0));
        line += " of ";
        line.append(table.cell(row, 1));
        line += " in duplicate !";
        if (isLearningKind(kind)) {
            line += " (";
            line.append(table.cell(row, columns.group));
            line += ")";
        }
        lines.push_back(std::move(line));
        anyDuplicate = true;
    }
    if (anyDuplicate)
        lines.push_back(Separator);
}

void appendSources(const DataTable& table, const ReportColumns& columns, const Collation& collation,
                   TextEncoding encoding, std::vector<std::string>& lines)
{
    const ColumnValues sources(table, columns.source, collation, encoding);
    const int count = sources.values.size();
    if (count == 0) {
        lines.push_back("Objects originating from no source");
    } else if (count == 1) {
        std::string line = "Objects originating from ";
        line.append(sources.textOfRow(sources.values.firstRowsInOrder().front()).head);
        lines.push_back(std::move(line));
    } else {
        lines.push_back("Objects originating from " + std::to_string(count) + " sources:");
        appendTallies(sources, lines);
    }
    lines.push_back(Separator);
}

void appendStatuses(const DataTable& table, const ReportColumns& columns, const Collation& collation,
                    TextEncoding encoding, std::vector<std::string>& lines)
{
    ColumnValues statuses(table, columns.status, collation, encoding);
    statuses.values.remove(statuses.values.find(SplitText{"Learning", {}}));
    const int test = statuses.values.find(SplitText{"Test", {}});
    if (test >= 0) {
        statuses.values.remove(test);
        const int exactTests = statuses.spellings.count(SplitText{"Test", {}});
        lines.push_back("This LEARNING File contains objects with Status = Test (" + std::to_string(exactTests)
                        + "/" + std::to_string(table.objectCount()) + ")");
        lines.push_back(Separator);
    }
    if (statuses.values.size() > 0) {
        lines.push_back("WARNING : This file contains " + std::to_string(statuses.values.size())
                        + " unknown status :");
        appendTallies(statuses, lines);
        lines.push_back(Separator);
    }
}

void appendGroups(const DataTable& table, const ReportColumns& columns, const Collation& collation,
                  TextEncoding encoding, std::vector<std::string>& lines)
{
    const ColumnValues groups(table, columns.group, collation, encoding);
    lines.push_back("Objects sorted into " + std::to_string(groups.values.size()) + " groups:");
    appendTallies(groups, lines);
    lines.push_back(Separator);
}

} // namespace

void writeSummaryReport(const DataTable& table, FileKind kind, int measurementCount, TextEncoding encoding,
                        const QLocale& locale, std::vector<std::string>& lines)
{
    if (kind == FileKind::Unknown)
        throw Error("The summary report needs a file of a known kind");
    if (isLearningKind(kind) && table.columnCount() < 2)
        throw Error("A learning file needs a group column and a status column, but this table has only one column");

    const ReportColumns columns = reportColumns(table, kind);
    lines.push_back("This " + std::string(kindTag(kind)) + " file contains:");
    lines.push_back(std::to_string(table.objectCount()) + " objects x " + std::to_string(measurementCount)
                    + " measurements");
    lines.push_back(Separator);

    const Collation& collation = Collation::forLocale(locale);
    appendDuplicateWarnings(table, kind, columns, collation, encoding, lines);
    appendSources(table, columns, collation, encoding, lines);
    if (!isLearningKind(kind))
        return;
    appendStatuses(table, columns, collation, encoding, lines);
    appendGroups(table, columns, collation, encoding, lines);
}

} // namespace kvd
