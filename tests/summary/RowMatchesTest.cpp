#include "summary/Collation.h"
#include "summary/ReportLines.h"
#include "summary/RowMatches.h"
#include "summary/SummaryReport.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <QCollator>

#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

const QLocale French(QLocale::French, QLocale::France);

// The rows equal to `row` by a case-insensitive QCollator's comparison of the
// decoded texts.
std::vector<int> referenceRows(const DataTable& table, const std::vector<int>& columns, int row,
                               const QLocale& locale)
{
    QCollator collation(locale);
    collation.setCaseSensitivity(Qt::CaseInsensitive);
    const auto text = [&](int r) {
        std::string bytes;
        for (const int column : columns)
            bytes.append(table.cell(r, column));
        return QString::fromStdString(bytes);
    };
    std::vector<int> rows;
    for (int r = 1; r <= table.objectCount(); ++r) {
        if (collation.compare(text(r), text(row)) == 0)
            rows.push_back(r);
    }
    return rows;
}

// A text of `pieces`, each piece spelt one of its ways: letter case, accented capital
// or small letter, fullwidth letter. Rows built of few pieces often hold one value in
// two spellings.
std::string respelled(const std::vector<std::vector<std::string>>& pieces, std::mt19937& random)
{
    std::string text;
    for (auto k = 1 + random() % 2; k > 0; --k) {
        const std::vector<std::string>& spellings = pieces[random() % pieces.size()];
        text += spellings[random() % spellings.size()];
    }
    return text;
}

TEST(RowMatches, agreeWithTheCollationsComparisonOnObjectsAndOnSingleColumns)
{
    const std::vector<std::vector<std::string>> pieces = {
        {"1"}, {"2"}, {"img", "IMG", "Img", "iMg", "\xEF\xBD\x89mg" /* fullwidth i */},
        {"\xC3\xA9", "\xC3\x89"}, {"e", "E"}};
    for (const QLocale& locale : {French, QLocale::c()}) {
        const Collation collation(locale);
        std::mt19937 random(11);
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<std::string> lines{"Object;Source;Group"};
            const int rows = 1 + static_cast<int>(random() % 15);
            for (int r = 0; r < rows; ++r)
                lines.push_back(respelled(pieces, random) + ";" + respelled(pieces, random) + ";"
                                + respelled(pieces, random));
            const DataTable table = test::makeTable(lines);
            const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(rows));
            for (const std::vector<int>& columns : {std::vector<int>{0, 1}, std::vector<int>{1}, std::vector<int>{2}}) {
                SCOPED_TRACE("trial " + std::to_string(trial) + " row " + std::to_string(row));
                EXPECT_EQ(rowsMatchingRow(table, columns, row, collation, TextEncoding::Utf8),
                          referenceRows(table, columns, row, locale));
            }
        }
    }
}

TEST(RowMatches, anObjectKeyIsItsObjectAndSourceReadBackToBack)
{
    // Object 1 of source 23 and object 12 of source 3 are the same object, as the
    // report's duplicate warning says.
    const DataTable table =
        test::makeTable({"Object;Source;Area", "1;23;5", "12;3;6", "1;2;7", "A7;img;1", "a7;IMG;2"});
    const Collation& collation = Collation::forLocale(French);
    EXPECT_EQ(rowsMatchingRow(table, {0, 1}, 2, collation, TextEncoding::Utf8), (std::vector<int>{1, 2}));
    EXPECT_EQ(rowsMatchingRow(table, {0, 1}, 5, collation, TextEncoding::Utf8), (std::vector<int>{4, 5}));
    EXPECT_TRUE(rowsMatchingRow(table, {0, 1}, 0, collation, TextEncoding::Utf8).empty());
}

std::string lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

TEST(RowMatches, everyLineOfALearningReportNamesTheRowsOfItsValueInAnySpelling)
{
    const DataTable table = test::makeTable({"Object;Source;Area;Group;Status",
                                             "5;s1;1;cop;Learning", "5;S1;2;cop;Test", "6;s1;3;Dia;TEST",
                                             "7;s2;4;dia;odd", "5;s1;5;cop;ODD", "8;s2;6;cop;Test"});
    SummaryReport report;
    writeSummaryReport(table, FileKind::Learning, 1, TextEncoding::Utf8, French, report);
    const ReportLines lines(report, table);
    const Collation& collation = Collation::forLocale(French);
    std::vector<std::string> named;
    for (std::size_t index = 0; index < lines.count(); ++index) {
        const ReportLineTarget target = lines.target(index);
        const std::vector<int> rows = rowsOfReportLine(table, target, collation, TextEncoding::Utf8);
        std::vector<int> expected;
        for (int row = 1; row <= table.objectCount(); ++row) {
            const auto key = [&](int r) {
                return target.kind == ReportLineKind::Duplicate
                    ? lowered(table.cell(r, 0)) + lowered(table.cell(r, 1))
                    : lowered(table.cell(r, target.column));
            };
            const bool inLine = target.kind == ReportLineKind::TestStatus
                ? key(row) == "test"
                : target.kind != ReportLineKind::Text && key(row) == key(target.row);
            if (inLine)
                expected.push_back(row);
        }
        EXPECT_EQ(rows, expected) << lines.line(index);
        if (!rows.empty())
            named.push_back(lines.line(index) + " ->" + std::to_string(rows.size()));
    }
    EXPECT_EQ(named, (std::vector<std::string>{
                         "WARNING: Object 5 of S1 in duplicate ! (cop) ->3",
                         "WARNING: Object 5 of s1 in duplicate ! (cop) ->3",
                         " - s1 (3 objects) ->4", " - s2 (2 objects) ->2",
                         "This LEARNING File contains objects with Status = Test (2/6) ->3",
                         " - odd (1 object) ->2", " - cop (4 objects) ->4", " - Dia (1 object) ->2"}));
}

TEST(RowMatches, cellsWithoutANumberAreThoseTheStatisticsRefuse)
{
    const DataTable table = test::makeTable({"Object;Source;Area", "a;s;1.5", "b;s;", "c;s; 7 ", "d;s;x1", "e;s;1,5",
                                             "f;s;1e5", "g;s;1e999"});
    EXPECT_EQ(rowsWithoutNumber(table, 2, '.'), (std::vector<int>{2, 4, 5, 7}));
    EXPECT_EQ(rowsWithoutNumber(table, 2, ','), (std::vector<int>{2, 4, 7}));
}

} // namespace
} // namespace kvd
