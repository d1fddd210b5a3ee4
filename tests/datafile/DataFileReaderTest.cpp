#include "datafile/DataFileReader.h"
#include "common/Errors.h"
#include "document/Document.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace kvd {
namespace {

using namespace std::string_literals;

// Texts are 7 pixels wide per byte.
int sevenPixelsPerByte(std::string_view text) { return 7 * static_cast<int>(text.size()); }

struct Outcome {
    Document document;
    std::optional<ReadResult> result; // none: an error was raised
    std::string error;
};

Outcome readPath(const std::string& path, ReaderOptions options = {sevenPixelsPerByte, {}})
{
    Outcome outcome;
    outcome.document.fileName = path;
    try {
        outcome.result = readDataFile(outcome.document, options);
    } catch (const Error& error) {
        outcome.error = error.what();
    }
    return outcome;
}

class DataFileReader : public ::testing::Test {
protected:
    std::string write(std::string_view bytes, const std::string& name = "file.kvd")
    {
        const std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    Outcome read(std::string_view bytes, ReaderOptions options = {sevenPixelsPerByte, {}})
    {
        return readPath(write(bytes), options);
    }

    QTemporaryDir m_dir;
};

std::string fixture(const char* name) { return std::string(KVD_TEST_DATA_DIR) + "/" + name; }

std::vector<std::string> headerTexts(const Document& document)
{
    std::vector<std::string> texts;
    for (const HeaderLine& line : document.header.lines)
        texts.push_back(line.text());
    return texts;
}

std::vector<std::string> rowCells(const Document& document, int rowIndex)
{
    std::vector<std::string> cells;
    for (int column = 0; column < document.table.columnCount(); ++column)
        cells.emplace_back(document.table.cell(rowIndex, column));
    return cells;
}

using Texts = std::vector<std::string>;

TEST_F(DataFileReader, decidesTheKindFromTheFirstLine)
{
    struct Case {
        std::string firstLine;
        FileKind kind;
    };
    const Case cases[] = {
        {"KVD", FileKind::Kvd},           {"KVD1", FileKind::Kvd},
        {"KVD file", FileKind::Kvd},      {"KVDWU", FileKind::Kvd},
        {"WUxyz", FileKind::Wum},         {"WU", FileKind::Wum},
        {"LEARNING SET", FileKind::Learning},
        {"KV", FileKind::Unknown},        {"kvd", FileKind::Unknown},
        {" KVD", FileKind::Unknown},      {"\xEF\xBB\xBFKVD", FileKind::Unknown},
        {"LEARNIN", FileKind::Unknown},   {"Learning", FileKind::Unknown},
        {"", FileKind::Unknown},
    };
    for (const Case& c : cases) {
        std::string rest;
        switch (c.kind) {
        case FileKind::Wum: rest = "[Data]\r\nId\tArea\tSrc\r\nA\t1\ts\r\n"; break;
        case FileKind::Learning: rest = "Id;Src;Area;Group;Status\r\nA;s;1;g;Test\r\n"; break;
        default: rest = "[Data]\r\nId;Src;Area\r\nA;s;1\r\n"; break;
        }
        const Outcome outcome = read(c.firstLine + "\r\n" + rest);
        ASSERT_TRUE(outcome.result) << c.firstLine << ": " << outcome.error;
        EXPECT_EQ(outcome.result->kind, c.kind) << c.firstLine;
        EXPECT_EQ(outcome.result->status, c.kind == FileKind::Unknown ? ReadStatus::UnknownFormat : ReadStatus::Read)
            << c.firstLine;
    }
}

TEST_F(DataFileReader, unknownFormatLeavesTheDocumentEmpty)
{
    const Outcome outcome = read("kvd\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\n");
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->status, ReadStatus::UnknownFormat);
    EXPECT_TRUE(outcome.document.header.lines.empty());
    EXPECT_EQ(outcome.document.table.rowCount(), 1);
    EXPECT_EQ(outcome.document.table.columnCount(), 1);
}

TEST_F(DataFileReader, stylesHeaderLinesByTheirClass)
{
    const Outcome outcome = readPath(fixture("header_line_classes.kvd"));
    ASSERT_TRUE(outcome.result) << outcome.error;
    const HeaderText& header = outcome.document.header;
    EXPECT_EQ(headerTexts(outcome.document),
              (Texts{"KVD 2.1 header check", "[Image]", "Pixel=0.1=x", "=5", "Key=", "", "[Image", "Image]", "[]",
                     "[a=b]", "[Image] x", "plain text", " [Data]"}));
    using namespace header_styles;
    const std::vector<std::vector<HeaderRun>> runs = {
        {{"KVD 2.1 header check", firstLine}},
        {{"[Image]", section}},
        {{"Pixel=", key}, {"0.1=x", value}},
        {{"=", key}, {"5", value}},
        {{"Key=", key}, {"", value}},
        {{"", plain}},
        {{"[Image", plain}},
        {{"Image]", plain}},
        {{"[]", section}},
        {{"[a=b]", section}},
        {{"[Image] x", plain}},
        {{"plain text", plain}},
        {{" [Data]", plain}},
    };
    ASSERT_EQ(header.lines.size(), runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i)
        EXPECT_EQ(header.lines[i].runs, runs[i]) << "line " << i;
    EXPECT_FALSE(header.readOnly);
    EXPECT_FALSE(header.modified);
    EXPECT_TRUE(header.verticalScrollBar);
    EXPECT_EQ(rowCells(outcome.document, 0), (Texts{"Id", "Src", "Area"}));
    EXPECT_EQ(rowCells(outcome.document, 1), (Texts{"A", "s1", "1.5"}));
}

TEST_F(DataFileReader, headerEndsAtTheFirstDataLine)
{
    struct Case {
        std::string bytes;
        Texts header;
    };
    const Case cases[] = {
        {"KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\n", {"KVD"}},
        {"KVD\r\n[Data]xyz\r\nId;Src;Area\r\nA;s;1\r\n", {"KVD"}},
        {"KVD\r\n\r\n\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\n", {"KVD", "", ""}},
        {"WU\n[Run]\nA=1\n[Data]\nId\tArea\nA\t1\n[Data]\n", {"WU", "[Run]", "A=1"}},
    };
    for (const Case& c : cases) {
        const Outcome outcome = read(c.bytes);
        EXPECT_EQ(outcome.error, "") << c.bytes;
        EXPECT_EQ(headerTexts(outcome.document), c.header) << c.bytes;
        EXPECT_EQ(outcome.document.table.cell(0, 0), "Id") << c.bytes;
    }
}

TEST_F(DataFileReader, learningFilesHaveAReadOnlyHeaderOfTwoLines)
{
    const Outcome outcome = read("LEARNING SET\r\nId;Src;Area;Group;Status\r\nA;s;1;g;Learning\r\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(outcome.result->kind, FileKind::Learning);
    const HeaderText& header = outcome.document.header;
    ASSERT_EQ(header.lines.size(), 2u);
    EXPECT_EQ(header.lines[0].runs, (std::vector<HeaderRun>{{"LEARNING SET", header_styles::firstLine}}));
    EXPECT_EQ(header.lines[1].runs, (std::vector<HeaderRun>{{"(No Header)", header_styles::noHeader}}));
    EXPECT_TRUE(header.readOnly);
    EXPECT_FALSE(header.verticalScrollBar);
    EXPECT_EQ(outcome.document.table.fixedColumnCount(), 2);
    EXPECT_EQ(outcome.document.table.columnWidth(1), 7 * 3 + 6);
}

TEST_F(DataFileReader, learningFileWithFitColumnsIsLearningFromWum)
{
    const Outcome outcome = readPath(fixture("learning_with_fit_columns.kvd"));
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(outcome.result->kind, FileKind::LearningFromWum);
    const DataTable& table = outcome.document.table;
    EXPECT_EQ(table.fixedColumnCount(), 1);
    EXPECT_EQ(table.fixedRowCount(), 1);
    EXPECT_EQ(table.columnWidth(0), 7 * 16 + 6); // "long_object_name"
    EXPECT_EQ(table.columnWidth(1), DefaultColumnWidth);
    EXPECT_EQ(rowCells(outcome.document, 2), (Texts{"long_object_name", "2.5", "30", "copepod", "Test"}));
    EXPECT_TRUE(outcome.document.header.readOnly);
}

TEST_F(DataFileReader, cellsKeepTheFieldTextsCutToTheColumnCount)
{
    const Outcome outcome = read("KVD\r\n[Data]\r\nId;Src;Area;\r\nA;;3\r\nA;B;1;2;3\r\nA;B\r\n"
                                 "1.5;1,5; 7 \r\n\r\nZ;after;9\r\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    const DataTable& table = outcome.document.table;
    EXPECT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.objectCount(), 4);
    EXPECT_EQ(rowCells(outcome.document, 1), (Texts{"A", "", "3"}));
    EXPECT_EQ(rowCells(outcome.document, 2), (Texts{"A", "B", "1"}));
    EXPECT_EQ(rowCells(outcome.document, 3), (Texts{"A", "B", ""}));
    EXPECT_EQ(rowCells(outcome.document, 4), (Texts{"1.5", "1,5", " 7 "}));
    EXPECT_EQ(table.fixedRowCount(), 1);
    EXPECT_EQ(table.fixedColumnCount(), 2);
}

TEST_F(DataFileReader, wumLinesAreSplitOnTabOnly)
{
    const Outcome outcome = read("WUM\n[Data]\nId\tArea\tSrc\na;b\t1\ts1\n   \n\nlost\t2\ts\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(outcome.result->kind, FileKind::Wum);
    EXPECT_EQ(rowCells(outcome.document, 1), (Texts{"a;b", "1", "s1"}));
    // A line of blanks is an object line; the empty line after it ends the table.
    EXPECT_EQ(rowCells(outcome.document, 2), (Texts{"   ", "", ""}));
    EXPECT_EQ(outcome.document.table.objectCount(), 2);
    EXPECT_EQ(outcome.document.table.fixedColumnCount(), 1);
}

TEST_F(DataFileReader, fitsColumnsZeroAndOneToTheirWidestText)
{
    const Outcome outcome = read("KVD\n[Data]\nIdentifier;S;Area\nA;source_long;1\nvery_long_object;s;2\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    const DataTable& table = outcome.document.table;
    EXPECT_EQ(table.columnWidth(0), 7 * 16 + 6);
    EXPECT_EQ(table.columnWidth(1), 7 * 11 + 6);
    EXPECT_EQ(table.columnWidth(2), DefaultColumnWidth);

    // Narrow names give columns narrower than the default.
    const Outcome narrow = read("KVD\n[Data]\nI;S;Area\nA;s;1\n");
    EXPECT_EQ(narrow.document.table.columnWidth(0), 7 + 6);
    EXPECT_EQ(narrow.document.table.columnWidth(1), 7 + 6);

    const Outcome unmeasured = read("KVD\n[Data]\nIdentifier;S;Area\nA;source_long;1\n", ReaderOptions{});
    EXPECT_EQ(unmeasured.document.table.columnWidth(0), 6);
    EXPECT_EQ(unmeasured.document.table.columnWidth(1), 6);
}

TEST_F(DataFileReader, readsLineEndsAsATextFileDoes)
{
    struct Case {
        const char* name;
        std::string bytes;
        Texts lastRow;
        int objectCount;
    };
    const Case cases[] = {
        {"LF", "KVD\n[Data]\nId;Src;Area\nA;s;1\nB;t;2\n", {"B", "t", "2"}, 2},
        {"CR LF", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\nB;t;2\r\n", {"B", "t", "2"}, 2},
        {"no final line end", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\nB;t;2", {"B", "t", "2"}, 2},
        {"ends inside CR LF", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\nB;t;2\r", {"B", "t", "2"}, 2},
        {"stray CR dropped", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\nB;t\r;2\r\r\n", {"B", "t", "2"}, 2},
        {"CR alone is empty", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\n\r\r\nB;t;2\r\n", {"A", "s", "1"}, 1},
        {"mixed", "KVD\n[Data]\r\nId;Src;Area\nA;s;1\r\nB;t;2\n", {"B", "t", "2"}, 2},
    };
    for (const Case& c : cases) {
        const Outcome outcome = read(c.bytes);
        ASSERT_TRUE(outcome.result) << c.name << ": " << outcome.error;
        EXPECT_EQ(outcome.document.table.objectCount(), c.objectCount) << c.name;
        EXPECT_EQ(rowCells(outcome.document, c.objectCount), c.lastRow) << c.name;
        EXPECT_EQ(outcome.document.table.cell(0, 2), "Area") << c.name;
    }
    const Outcome fixtureOutcome = readPath(fixture("file_ends_inside_crlf.kvd"));
    ASSERT_TRUE(fixtureOutcome.result) << fixtureOutcome.error;
    EXPECT_EQ(rowCells(fixtureOutcome.document, 2), (Texts{"B", "s2", "2"}));
}

TEST_F(DataFileReader, strayCarriageReturnsLeaveHeaderLines)
{
    const Outcome outcome = read("KVD\r\nA=\r1\r\n[Da\rta]\r\nId;Src;Area\r\nA;s;1\r\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(headerTexts(outcome.document), (Texts{"KVD", "A=1"}));
}

TEST_F(DataFileReader, missingFileOrDirectoryLeavesTheDocumentUntouched)
{
    for (const std::string& path : {m_dir.filePath("absent.kvd").toStdString(), m_dir.path().toStdString(), ""s}) {
        const Outcome outcome = readPath(path);
        ASSERT_TRUE(outcome.result) << path;
        EXPECT_EQ(outcome.result->status, ReadStatus::NoSuchFile) << path;
        EXPECT_TRUE(outcome.document.header.lines.empty());
        EXPECT_EQ(outcome.document.table.rowCount(), 1);
        EXPECT_EQ(outcome.document.table.columnCount(), 1);
    }
}

TEST_F(DataFileReader, readFailureRaisesTheSystemErrorText)
{
    // /proc/self/mem opens like a file, but reading at offset 0 fails with EIO.
    const Outcome outcome = readPath("/proc/self/mem");
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.error, "Erreur E/S 5");
    EXPECT_TRUE(outcome.document.header.lines.empty());
}

TEST_F(DataFileReader, fileWithoutReadPermissionRaisesAccessDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads files whatever their permission bits";
    const std::string path = write("KVD\n[Data]\nId;Src;Area\nA;s;1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const Outcome outcome = readPath(path);
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.error, "Accès au fichier refusé");
}

TEST_F(DataFileReader, failuresStopAtTheirStepAndKeepWhatWasFilled)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
        Texts header;
        int columnCount;
        int objectCount;
        int fixedRows;
        int column0Width;
    };
    const char* const indexZero = "Indice de liste hors limites (0)";
    const char* const indexOne = "Indice de liste hors limites (1)";
    const char* const fixedRows = "Le nombre de lignes fixes doit être inférieur au nombre de lignes";
    const char* const fixedColumns = "Le nombre de colonnes fixes doit être inférieur au nombre de colonnes";
    const Case cases[] = {
        {"empty column-name line", "KVD\r\n[Data]\r\n\r\nA;s;1\r\n", indexZero, {"KVD"}, 1, 0, 0, 80},
        {"no column-name line", "KVD\r\n[Data]\r\n", indexZero, {"KVD"}, 1, 0, 0, 80},
        {"no [Data] line", "KVD\r\nA=1\r\nB=2\r\n", indexZero, {"KVD", "A=1"}, 1, 0, 0, 80},
        {"first line alone", "KVD", indexZero, {"KVD", ""}, 1, 0, 0, 80},
        {"single column name", "KVD\r\n[Data]\r\nId\r\nA;s;1\r\n", indexOne, {"KVD"}, 1, 0, 0, 7 * 2 + 6},
        {"single column name with separator", "LEARNING\r\nId;\r\nA;s\r\n", indexOne, {"LEARNING", "(No Header)"},
         1, 0, 0, 7 * 2 + 6},
        {"data line without separator", "KVD\r\n[Data]\r\nId;Src;Area\r\nA;s;1\r\nBBBBBBBBBBBBBBBB\r\nC;t;3\r\n", indexOne,
         {"KVD"}, 3, 2, 0, 7 * 16 + 6},
        {"no data line", "KVD\r\n[Data]\r\nId;Src;Area\r\n\r\nA;s;1\r\n", fixedRows, {"KVD"}, 3, 0, 0, 7 * 2 + 6},
        {"no data line at the end", "WUM\n[Data]\nId\tSrc", fixedRows, {"WUM"}, 2, 0, 0, 7 * 2 + 6},
        {"two KVD columns", "KVD\r\n[Data]\r\nId;Src\r\nA;s\r\n", fixedColumns, {"KVD"}, 2, 1, 1, 7 * 2 + 6},
        {"one WUM column", "WUM\r\n[Data]\r\nId\r\nA\r\n", fixedColumns, {"WUM"}, 1, 1, 1, 7 * 2 + 6},
    };
    for (const Case& c : cases) {
        const Outcome outcome = read(c.bytes);
        EXPECT_FALSE(outcome.result) << c.name;
        EXPECT_EQ(outcome.error, c.error) << c.name;
        EXPECT_EQ(headerTexts(outcome.document), c.header) << c.name;
        EXPECT_FALSE(outcome.document.header.modified) << c.name;
        const DataTable& table = outcome.document.table;
        EXPECT_EQ(table.columnCount(), c.columnCount) << c.name;
        EXPECT_EQ(table.objectCount(), c.objectCount) << c.name;
        EXPECT_EQ(table.fixedRowCount(), c.fixedRows) << c.name;
        EXPECT_EQ(table.fixedColumnCount(), 0) << c.name;
        EXPECT_EQ(table.columnWidth(0), c.column0Width) << c.name;
    }
    const Outcome fixtureOutcome = readPath(fixture("data_line_without_separator.kvd"));
    EXPECT_EQ(fixtureOutcome.error, indexOne);
    EXPECT_EQ(rowCells(fixtureOutcome.document, 2), (Texts{"B", "", ""}));
}

TEST_F(DataFileReader, nulBytesAndEightBitTextStayInTheCells)
{
    const std::string bytes = "KVD\r\n[Data]\r\nId;Src;Area\r\nA\0B;\xE9t\xE9;1\r\n"s;
    const Outcome outcome = read(bytes);
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(outcome.document.table.cell(1, 0), "A\0B"s);
    EXPECT_EQ(outcome.document.table.cell(1, 1), "\xE9t\xE9");
    EXPECT_EQ(outcome.document.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(read("KVD\n[Data]\nId;Src;Area\nA;\xC3\xA9t\xC3\xA9;1\n").document.encoding, TextEncoding::Utf8);
}

TEST_F(DataFileReader, binaryGarbageGivesAMessageOrATable)
{
    std::mt19937 random(12345);
    for (int i = 0; i < 200; ++i) {
        std::string bytes = i % 2 ? "KVD\r\n" : "WU\n";
        const std::size_t size = random() % 4000;
        for (std::size_t j = 0; j < size; ++j)
            bytes += static_cast<char>(random() % 8 == 0 ? "\r\n;\t[]="[random() % 7] : random() % 256);
        const Outcome outcome = read(bytes);
        if (outcome.result) {
            EXPECT_EQ(outcome.result->status, ReadStatus::Read);
            EXPECT_GE(outcome.document.table.objectCount(), 1);
        } else {
            EXPECT_NE(outcome.error, "");
        }
    }
}

TEST_F(DataFileReader, aFiftyMegabyteLineIsOneCell)
{
    std::string bytes = "KVD\n[Data]\nId;Src;Area\n";
    bytes += std::string(50u << 20, 'x') + ";s;1\nB;t;2\n";
    const Outcome outcome = read(bytes);
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(outcome.document.table.cell(1, 0).size(), 50u << 20);
    EXPECT_EQ(outcome.document.table.cell(1, 2), "1");
    EXPECT_EQ(outcome.document.table.columnWidth(0), 7 * (50 << 20) + 6);
}

TEST_F(DataFileReader, aHundredThousandColumns)
{
    std::string names = "Id;Src";
    std::string values = "A;s";
    for (int i = 2; i < 100000; ++i) {
        names += ";m" + std::to_string(i);
        values += ";" + std::to_string(i);
    }
    const Outcome outcome = read("KVD\n[Data]\n" + names + "\n" + values + "\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    const DataTable& table = outcome.document.table;
    EXPECT_EQ(table.columnCount(), 100000);
    EXPECT_EQ(table.cell(0, 99999), "m99999");
    EXPECT_EQ(table.cell(1, 99999), "99999");
    EXPECT_EQ(table.cell(1, 50000), "50000");
}

TEST_F(DataFileReader, reportsProgressUpToTheWholeWork)
{
    std::string bytes = "KVD\n[Data]\nId;Src;Area\n";
    while (bytes.size() < (20u << 20))
        bytes += "object_" + std::to_string(bytes.size()) + ";source;12.5\n";
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const Outcome outcome = read(bytes, ReaderOptions{{}, [&](std::uint64_t done, std::uint64_t total) {
                                                          calls.emplace_back(done, total);
                                                      }});
    ASSERT_TRUE(outcome.result) << outcome.error;
    ASSERT_GE(calls.size(), 4u);
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GE(calls[i].first, calls[i - 1].first);
        EXPECT_EQ(calls[i].second, 2 * bytes.size());
    }
    EXPECT_EQ(calls.back().first, 2 * bytes.size());
}

TEST(ExampleFiles, openCompleteWithTheirKind)
{
    struct Case {
        const char* name;
        FileKind kind;
    };
    const Case cases[] = {
        {"leaf_survey.kvd", FileKind::Kvd},
        {"plankton_station.wum", FileKind::Wum},
        {"diatom_training.kvd", FileKind::Learning},
        {"zooscan_training.kvd", FileKind::LearningFromWum},
    };
    for (const Case& c : cases) {
        const Outcome outcome = readPath(std::string(KVD_EXAMPLES_DIR) + "/" + c.name);
        ASSERT_TRUE(outcome.result) << c.name << ": " << outcome.error;
        EXPECT_EQ(outcome.result->status, ReadStatus::Read) << c.name;
        EXPECT_EQ(outcome.result->kind, c.kind) << c.name;
        EXPECT_GE(outcome.document.table.objectCount(), 20) << c.name;
    }
}

} // namespace
} // namespace kvd

namespace kvd {
namespace {

// Object row r lies on line columnNameLineNumber + r, counted against the line ends
// of the file itself, through headers of any length, CR LF and stray CRs.
TEST_F(DataFileReader, columnNameLineNumberLocatesEveryObjectLine)
{
    std::mt19937 random(7);
    const char* firstLines[] = {"KVD x", "WUM", "LEARNING set", "LEARNING fit"};
    for (int trial = 0; trial < 40; ++trial) {
        const int kindIndex = trial % 4;
        const bool learning = kindIndex >= 2;
        const char separator = kindIndex == 1 ? '\t' : ';';
        const auto lineEnd = [&] { return random() % 3 == 0 ? "\r\n"s : "\n"s; };
        std::string bytes = firstLines[kindIndex] + lineEnd();
        if (!learning) {
            for (int line = static_cast<int>(random() % 5); line > 0; --line)
                bytes += (random() % 2 ? "[Sec]"s : "a=\rb"s) + lineEnd();
            bytes += "[Data]" + lineEnd();
        }
        bytes += std::string(kindIndex == 3 ? "Id;FIT_A;G;S" : "Id") + separator + "Src" + separator + "A"
            + lineEnd();
        const int objects = 1 + static_cast<int>(random() % 6);
        for (int row = 0; row < objects; ++row)
            bytes += "o\r" + std::to_string(row) + separator + "s" + separator + "1" + lineEnd();

        const Outcome outcome = read(bytes);
        ASSERT_TRUE(outcome.result) << outcome.error;
        const DataTable& table = outcome.document.table;
        ASSERT_EQ(table.objectCount(), objects);
        for (int row = 0; row <= objects; ++row) {
            const auto offset = static_cast<std::size_t>(table.line(row).data() - table.bytes().data());
            const auto lineNumber = 1 + static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.begin()
                                                                                  + static_cast<std::ptrdiff_t>(offset), '\n'));
            EXPECT_EQ(outcome.result->columnNameLineNumber + static_cast<std::uint64_t>(row), lineNumber)
                << "trial " << trial << ", row " << row;
        }
    }
}

} // namespace
} // namespace kvd
