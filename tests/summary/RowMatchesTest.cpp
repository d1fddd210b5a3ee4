#include "summary/Collation.h"
#include "summary/RowMatches.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

const QLocale French(QLocale::French, QLocale::France);

// The rows equal to `row` by the collation's own comparison of the decoded texts.
std::vector<int> referenceRows(const DataTable& table, const std::vector<int>& columns, int row,
                               const Collation& collation)
{
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

TEST(RowMatches, agreeWithTheCollationsComparisonOnObjectsAndOnSingleColumns)
{
    const std::vector<std::string> pieces = {"1", "2", "3", "img", "IMG", "Img", "\xC3\xA9", "\xC3\x89",
                                             "e", "\xEF\xBD\x89mg" /* fullwidth i */};
    for (const auto use : {Collation::EqualityKeyUse::WhenVerified, Collation::EqualityKeyUse::Never}) {
        const Collation collation(French, use);
        std::mt19937 random(11);
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<std::string> lines{"Object;Source;Group"};
            const int rows = 1 + static_cast<int>(random() % 15);
            for (int r = 0; r < rows; ++r) {
                std::string line;
                for (int column = 0; column < 3; ++column) {
                    if (column > 0)
                        line += ';';
                    for (auto k = 1 + random() % 2; k > 0; --k)
                        line += pieces[random() % pieces.size()];
                }
                lines.push_back(line);
            }
            const DataTable table = test::makeTable(lines);
            const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(rows));
            for (const std::vector<int>& columns : {std::vector<int>{0, 1}, std::vector<int>{1}, std::vector<int>{2}}) {
                SCOPED_TRACE("trial " + std::to_string(trial) + " row " + std::to_string(row));
                EXPECT_EQ(rowsMatchingRow(table, columns, row, collation, TextEncoding::Utf8),
                          referenceRows(table, columns, row, collation));
            }
        }
    }
}

TEST(RowMatches, anObjectKeyIsItsObjectAndSourceReadBackToBack)
{
    // Object 1 of source 23 and object 12 of source 3 are the same object, as the
    // report's duplicate warning says.
    const DataTable table = test::makeTable({"Object;Source;Area", "1;23;5", "12;3;6", "1;2;7", "A7;img;1", "a7;IMG;2"});
    const Collation& collation = Collation::forLocale(French);
    EXPECT_EQ(rowsMatchingRow(table, {0, 1}, 2, collation, TextEncoding::Utf8), (std::vector<int>{1, 2}));
    EXPECT_EQ(rowsMatchingRow(table, {0, 1}, 5, collation, TextEncoding::Utf8), (std::vector<int>{4, 5}));
    EXPECT_TRUE(rowsMatchingRow(table, {0, 1}, 0, collation, TextEncoding::Utf8).empty());
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
