#include "TableBuilder.h"
#include "datafile/DataTable.h"
#include "common/Errors.h"
#include "datafile/SplitFields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kvd {
namespace {

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string_view> fields{"left over"};
    SplitFields(fields, text, separator);
    EXPECT_EQ(fields.size(), countFields(text, separator)) << text;
    std::vector<std::string> out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i], fieldAt(text, separator, i)) << text << " field " << i;
        out.emplace_back(fields[i]);
    }
    EXPECT_EQ(fieldAt(text, separator, fields.size()), "");
    return out;
}

using Fields = std::vector<std::string>;

TEST(SplitFields, followsTheSeparatorRules)
{
    EXPECT_EQ(split("a;b;c", ';'), (Fields{"a", "b", "c"}));
    EXPECT_EQ(split("a;;c", ';'), (Fields{"a", "", "c"}));
    EXPECT_EQ(split("a;b;", ';'), (Fields{"a", "b"}));
    EXPECT_EQ(split(";a", ';'), (Fields{"", "a"}));
    EXPECT_EQ(split(";;", ';'), (Fields{"", ""}));
    EXPECT_EQ(split("a;;", ';'), (Fields{"a", ""}));
    EXPECT_EQ(split("a", ';'), (Fields{"a"}));
    EXPECT_EQ(split("", ';'), Fields{});
    EXPECT_EQ(split(" ", ';'), (Fields{" "}));
    EXPECT_EQ(split("a\tb;c", ';'), (Fields{"a\tb", "c"}));
    EXPECT_EQ(split("a\tb;c", '\t'), (Fields{"a", "b;c"}));
}

TEST(DataTable, newTableIsOneEmptyCellWithDefaultWidth)
{
    const DataTable table;
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.columnCount(), 1);
    EXPECT_EQ(table.cell(0, 0), "");
    EXPECT_EQ(table.columnWidth(0), 80);
    EXPECT_EQ(table.fixedRowCount(), 0);
    EXPECT_EQ(table.fixedColumnCount(), 0);
}

TEST(DataTable, cellsAreFieldsCutToTheColumnCount)
{
    const DataTable table = test::makeTable({"Id;Src;Area", "A;B;1;2;3", "A;;3", "A;B"});
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.objectCount(), 3);
    EXPECT_EQ(table.cell(0, 2), "Area");
    EXPECT_EQ(table.cell(1, 2), "1");
    EXPECT_EQ(table.cell(1, 3), "");  // beyond the column count
    EXPECT_EQ(table.cell(2, 1), "");
    EXPECT_EQ(table.cell(2, 2), "3");
    EXPECT_EQ(table.cell(3, 2), "");
    EXPECT_EQ(table.cell(4, 0), "");  // beyond the rows
    EXPECT_EQ(table.cell(-1, 0), "");
    std::vector<std::string_view> fields;
    table.rowFields(1, fields);
    EXPECT_EQ(fields.size(), 3u);
    table.rowFields(3, fields);
    EXPECT_EQ(fields.size(), 2u);
}

TEST(DataTable, longLinesGiveTheSameCellsAsShortOnes)
{
    std::string line;
    for (int i = 0; i < 3000; ++i)
        line += std::to_string(i) + ";";
    const DataTable table = test::makeTable({line, line});
    EXPECT_EQ(table.cell(1, 0), "0");
    EXPECT_EQ(table.cell(1, 2999), "2999");
    EXPECT_EQ(table.cell(1, 3000), "");
    EXPECT_EQ(table.cell(0, 1234), "1234");
    EXPECT_EQ(table.cell(1, 17), "17");
}

TEST(DataTable, rowsOnBothSidesOfFourGibibytesKeepTheirText)
{
    // Pages never written cost no memory: only the lines themselves are touched.
    auto bytes = std::make_shared<FileBytes>();
    const std::uint64_t start = (std::uint64_t(1) << 32) - 10;
    bytes->reserve(start + 64);
    bytes->grow(start);
    const std::string lines = "Id;Src\nabc;def\nghi;jkl\n";
    std::memcpy(bytes->spare(), lines.data(), lines.size());
    bytes->grow(lines.size());
    DataTable table;
    table.setBytes(bytes);
    table.setColumnCount(2);
    table.addRow(start, start + 7);
    table.addRow(start + 7, start + 15);
    table.addRow(start + 15, start + 23);
    EXPECT_EQ(table.line(0), "Id;Src");
    EXPECT_EQ(table.cell(1, 1), "def"); // crosses 2^32
    EXPECT_EQ(table.cell(2, 0), "ghi");
    EXPECT_EQ(table.rowCount(), 3);
}

TEST(DataTable, fixedRowsAndColumnsMustLeaveANormalOne)
{
    DataTable table = test::makeTable({"Id;Src"});
    EXPECT_THROW(
        {
            try {
                table.setFixedRowCount(1);
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), "Le nombre de lignes fixes doit être inférieur au nombre de lignes");
                throw;
            }
        },
        Error);
    table.addRow(7, 8); // an empty object row
    table.setFixedRowCount(1);
    EXPECT_EQ(table.fixedRowCount(), 1);
    try {
        table.setFixedColumnCount(2);
        FAIL() << "two fixed columns of two";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Le nombre de colonnes fixes doit être inférieur au nombre de colonnes");
    }
    table.setFixedColumnCount(1);
    EXPECT_EQ(table.fixedColumnCount(), 1);
}

} // namespace
} // namespace kvd
