#include "summary/MeasurementStatistics.h"

#include "TableBuilder.h"
#include "summary/StatisticsTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

using Row = std::vector<std::string>;
using Grid = std::vector<Row>;

struct Filled {
    int measurementCount = 0;
    Grid rows;                     // every row below the heading
    std::vector<std::string> warnings;
    StatisticsTable statistics;
};

Filled fill(const std::vector<std::string>& tableLines, FileKind kind, char decimalSeparator = '.')
{
    const DataTable table = test::makeTable(tableLines, fieldSeparator(kind));
    Filled filled;
    filled.measurementCount = fillStatistics(table, kind, decimalSeparator, filled.statistics,
                                             [&](const std::string& message) { filled.warnings.push_back(message); });
    for (int row = 1; row < filled.statistics.rowCount(); ++row) {
        Row cells;
        for (int column = 0; column < StatisticsTable::ColumnCount; ++column)
            cells.push_back(filled.statistics.cell(row, column));
        filled.rows.push_back(cells);
    }
    return filled;
}

TEST(MeasurementStatistics, headingRowAndNameColumnWidth)
{
    const Filled filled = fill({"Id;Src;Area", "1;s;1"}, FileKind::Kvd);
    const Row heading = {"Name", "Mean", "Std_Err", "Min", "Max"};
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(filled.statistics.cell(0, column), heading[static_cast<std::size_t>(column)]);
    EXPECT_EQ(filled.statistics.columnWidth(0), 140);
    EXPECT_EQ(filled.statistics.columnWidth(1), 80);
    for (const auto [row, column] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 5}}) // outside the grid
        EXPECT_EQ(filled.statistics.cell(row, column), "") << row << "," << column;
}

struct ColumnCase {
    const char* name;
    std::vector<std::string> values; // the cells of one measurement column
    char decimalSeparator;
    Row expected;                    // Name, Mean, Std_Err, Min, Max
};

void PrintTo(const ColumnCase& c, std::ostream* out)
{
    *out << c.name;
}

class OneColumn : public testing::TestWithParam<ColumnCase> {};

TEST_P(OneColumn, givesTheGridRow)
{
    const ColumnCase& c = GetParam();
    std::vector<std::string> lines = {"Id;Src;Area"};
    for (const std::string& value : c.values)
        lines.push_back("o;s;" + value);
    const Filled filled = fill(lines, FileKind::Kvd, c.decimalSeparator);
    ASSERT_EQ(filled.rows.size(), 1u);
    EXPECT_EQ(filled.rows[0], c.expected);
    EXPECT_EQ(filled.measurementCount, 1);
    EXPECT_TRUE(filled.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, OneColumn,
    testing::Values(
        ColumnCase{"workedExample", {"1", "2", "4"}, '.', {"Area", "2.33", "0.88", "1.00", "4.00"}},
        ColumnCase{"twoEqualValues", {"2.5", "2.5"}, '.', {"Area", "2.50", "0.00", "2.50", "2.50"}},
        ColumnCase{"pointsParseUnderACommaLocale", {"1.5", "2.5", "4.25"}, ',',
                   {"Area", "2.75", "0.80", "1.50", "4.25"}},
        ColumnCase{"blanksExponentsAndSigns", {" 7 ", "1e1", "+3", "-2"}, '.',
                   {"Area", "4.50", "2.60", "-2.00", "10.00"}},
        ColumnCase{"largeValuesInScientificForm", {"1000000", "3000000"}, '.',
                   {"Area", "2E06", "1E06", "1E06", "3E06"}},
        // The spread is measured from the mean as shown (1234570), not 1234567.
        ColumnCase{"spreadIsMeasuredFromTheDisplayedMean", {"1234567", "1234567"}, '.',
                   {"Area", "1.23457E06", "3.00", "1.23457E06", "1.23457E06"}},
        ColumnCase{"oneObjectHasNoStandardError", {"3.14159"}, '.', {"Area", "3.14", "n/a", "3.14", "3.14"}}),
    [](const testing::TestParamInfo<ColumnCase>& paramInfo) { return std::string(paramInfo.param.name); });

// A whole table: its lines, kind and locale separator, and the count, grid rows and
// warnings it gives.
struct TableCase {
    const char* name;
    std::vector<std::string> lines;
    FileKind kind;
    char decimalSeparator;
    int measurementCount;
    Grid rows;
    std::vector<std::string> warnings;
};

void PrintTo(const TableCase& c, std::ostream* out)
{
    *out << c.name;
}

class WholeTable : public testing::TestWithParam<TableCase> {};

TEST_P(WholeTable, givesTheGridAndWarnings)
{
    const TableCase& c = GetParam();
    const Filled filled = fill(c.lines, c.kind, c.decimalSeparator);
    EXPECT_EQ(filled.measurementCount, c.measurementCount);
    EXPECT_EQ(filled.rows, c.rows);
    EXPECT_EQ(filled.warnings, c.warnings);
}

std::string invalidValues(const char* name)
{
    return "WARNING: \"" + std::string(name) + "\" contains invalid value(s)";
}

Row notAvailableRow(const char* name)
{
    return {name, "n/a", "n/a", "n/a", "n/a"};
}

INSTANTIATE_TEST_SUITE_P(
    Tables, WholeTable,
    testing::Values(
        // B's first value fails the trial: no row, not counted.
        TableCase{"commaInTheFileIsNotANumberUnderAPointLocale", {"Id;Src;A;B", "1;s;1;1,5", "2;s;2;2"},
                  FileKind::Kvd, '.', 1, {{"A", "1.50", "0.50", "1.00", "2.00"}}, {}},
        // "-.5" and ".5" keep their "." under ",": the column turns invalid.
        TableCase{"aSignedPointWithoutADigitBeforeItIsNotANumberUnderACommaLocale", {"Id;Src;A;B", "1;s;1.5;2", "2;s;-.5;2.5"},
                  FileKind::Kvd, ',', 2, {{"A", "", "", "", ""}, {"B", "2.25", "0.25", "2.00", "2.50"}},
                  {invalidValues("A")}},
        TableCase{"aPointWithoutADigitBeforeItIsNotANumberUnderACommaLocale", {"Id;Src;A;B", "1;s;1.5;2", "2;s;.5;2.5"},
                  FileKind::Kvd, ',', 2, {{"A", "", "", "", ""}, {"B", "2.25", "0.25", "2.00", "2.50"}},
                  {invalidValues("A")}},
        // D's third value is missing: an empty cell.
        TableCase{"laterBadValueLeavesTheNameAndWarnsInColumnOrder",
                  {"Id;Src;A;B;C;D", "1;s;1;1;1;1", "2;s;2;x;2;2", "3;s;;3;3"}, FileKind::Kvd, '.', 4,
                  {{"A", "", "", "", ""}, {"B", "", "", "", ""}, {"C", "2.00", "0.58", "1.00", "3.00"},
                   {"D", "", "", "", ""}},
                  {invalidValues("A"), invalidValues("B"), invalidValues("D")}},
        TableCase{"kvdKindsPackAcceptedColumnsIntoConsecutiveRows",
                  {"Id;Src;A;Text;B;Group;Status", "1;s;1;t;5;g;Learning", "2;s;3;u;7;g;Test"}, FileKind::Learning,
                  '.', 2, {{"A", "2.00", "1.00", "1.00", "3.00"}, {"B", "6.00", "1.00", "5.00", "7.00"}}, {}},
        TableCase{"wumKindsShowNotAvailableForTextColumns", {"Id\tA\tSrc", "1\t2\timg", "2\t4\timg"}, FileKind::Wum,
                  '.', 1, {{"A", "3.00", "1.00", "2.00", "4.00"}, notAvailableRow("Src")}, {}},
        TableCase{"kvdWithoutObjectRows", {"Id;Src;A;B"}, FileKind::Kvd, '.', 0, {}, {}},
        TableCase{"wumWithoutObjectRows", {"Id\tA\tB"}, FileKind::Wum, '.', 0,
                  {notAvailableRow("A"), notAvailableRow("B")}, {}},
        TableCase{"kvdIdentifierColumnsOnly", {"Id;Src", "1;s"}, FileKind::Kvd, '.', 0, {}, {}},
        TableCase{"wumIdentifierColumnOnly", {"Id", "1"}, FileKind::Wum, '.', 0, {}, {}},
        TableCase{"valuesBeyondTheRangeOfADoubleAreInvalid", {"Id;Src;A;B", "1;s;1;1e400", "2;s;1e400;2"},
                  FileKind::Kvd, '.', 1, {{"A", "", "", "", ""}}, {invalidValues("A")}},
        TableCase{"sumBeyondTheRangeOfADoubleShowsNotAvailable", {"Id;Src;A", "1;s;1e308", "2;s;1e308"},
                  FileKind::Kvd, '.', 1, {{"A", "n/a", "n/a", "1E308", "1E308"}}, {}},
        // Row 2 ends after A's field: B and C are read as empty there.
        TableCase{"rowsShorterThanTheTableMakeTheirMissingColumnsInvalid",
                  {"Id;Src;A;B;C", "1;s;1;2;3", "2;s;3;", "3;s;5;6;7"}, FileKind::Kvd, '.', 3,
                  {{"A", "3.00", "1.15", "1.00", "5.00"}, {"B", "", "", "", ""}, {"C", "", "", "", ""}},
                  {invalidValues("B"), invalidValues("C")}}),
    [](const testing::TestParamInfo<TableCase>& paramInfo) { return std::string(paramInfo.param.name); });

} // namespace
} // namespace kvd

namespace kvd {
namespace {

// The full-precision figures against a plain two-pass reference in long double, on
// random columns, some spread so little that their mean's two-decimal rounding would
// swamp the spread.
TEST(MeasurementFigures, matchAPlainReferenceInFullPrecision)
{
    std::mt19937 random(14);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 50; ++trial) {
        const double spread = trial % 2 ? 6000.0 : 0.004;
        const auto value = [&](std::mt19937& r) { return 1.0017 + spread * unit(r); };
        const int objects = 1 + trial % 7 * 13;
        std::vector<std::string> lines = {"Id;Src;A;Text;B"};
        std::vector<long double> a;
        for (int row = 0; row < objects; ++row) {
            char text[64];
            std::snprintf(text, sizeof text, "%.9f", value(random));
            a.push_back(std::strtold(text, nullptr));
            lines.push_back("o;s;" + std::string(text) + ";t;" + (row == objects - 1 && objects > 1 ? "x" : "1"));
        }
        const DataTable table = test::makeTable(lines);
        StatisticsTable statistics;
        std::vector<MeasurementFigures> figures;
        fillStatistics(table, FileKind::Kvd, '.', statistics, {}, &figures);

        long double sum = 0;
        for (const long double x : a)
            sum += x;
        const long double mean = sum / objects;
        long double squares = 0;
        for (const long double x : a)
            squares += (x - mean) * (x - mean);

        ASSERT_EQ(figures.size(), 2u); // "Text" is skipped, B follows A
        const MeasurementFigures& fa = figures[0];
        EXPECT_EQ(fa.state, MeasurementFigures::State::Computed);
        EXPECT_EQ(fa.row, 1);
        EXPECT_EQ(fa.count, objects);
        EXPECT_NEAR(fa.mean, static_cast<double>(mean), 1e-9);
        EXPECT_DOUBLE_EQ(fa.minimum, static_cast<double>(*std::min_element(a.begin(), a.end())));
        EXPECT_DOUBLE_EQ(fa.maximum, static_cast<double>(*std::max_element(a.begin(), a.end())));
        if (objects == 1) {
            EXPECT_TRUE(std::isnan(fa.standardError));
        } else {
            const double reference = static_cast<double>(std::sqrt(squares / (objects - 1)) / std::sqrt(objects));
            EXPECT_NEAR(fa.standardError, reference, 1e-9 * (1 + reference)) << "objects " << objects;
        }
        const MeasurementFigures& fb = figures[1];
        EXPECT_EQ(fb.column, 4);
        EXPECT_EQ(fb.row, 2);
        EXPECT_EQ(fb.state, objects > 1 ? MeasurementFigures::State::Invalid : MeasurementFigures::State::Computed);
    }
}

TEST(MeasurementFigures, wumKindsKeepNotNumericRowsInPlace)
{
    const DataTable table = test::makeTable({"Id\tName\tArea", "1\tx\t2", "2\ty\t4"}, '\t');
    StatisticsTable statistics;
    std::vector<MeasurementFigures> figures;
    fillStatistics(table, FileKind::Wum, '.', statistics, {}, &figures);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].state, MeasurementFigures::State::NotNumeric);
    EXPECT_EQ(figures[0].row, 1);
    EXPECT_EQ(figures[1].row, 2);
    EXPECT_DOUBLE_EQ(figures[1].mean, 3.0);
    EXPECT_DOUBLE_EQ(figures[1].standardError, 1.0);
}

} // namespace
} // namespace kvd
