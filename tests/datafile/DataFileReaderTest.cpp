#include "datafile/DataFileReader.h"
#include "common/Errors.h"
#include "common/UniqueFd.h"
#include "datafile/DataTable.h"
#include "datafile/FileBytes.h"
#include "datafile/HeaderLineIndex.h"
#include "datafile/HeaderText.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kvd {
namespace {

using namespace std::string_literals;

// Texts are 7 pixels wide per byte.
int sevenPixelsPerByte(std::string_view text) { return 7 * static_cast<int>(text.size()); }

// What the reader fills, as a document holds it.
struct ReadDocument {
    HeaderText header;
    DataTable table;
    TextEncoding encoding = TextEncoding::Utf8;
};

struct Outcome {
    ReadDocument document;
    std::optional<ReadResult> result; // none: an error was raised
    std::string error;
};

Outcome readPath(const std::string& path, ReaderOptions options = {sevenPixelsPerByte, {}})
{
    Outcome outcome;
    ReadDocument& document = outcome.document;
    try {
        outcome.result = readDataFile(path, {document.header, document.table, document.encoding}, options);
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

std::vector<std::string> headerTexts(const ReadDocument& document)
{
    std::vector<std::string> texts;
    document.header.forEachLine([&](const HeaderLine& line) { texts.emplace_back(line.text); });
    return texts;
}

// A header line's runs, as texts and styles.
using Runs = std::vector<std::pair<std::string, RunStyle>>;

std::vector<Runs> headerRuns(const HeaderText& header)
{
    std::vector<Runs> lines;
    header.forEachLine([&](const HeaderLine& line) {
        Runs& runs = lines.emplace_back();
        for (int index = 0; index < line.runCount(); ++index)
            runs.emplace_back(line.run(index).text, *line.run(index).style);
    });
    return lines;
}

std::vector<std::string> rowCells(const ReadDocument& document, int rowIndex)
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
    EXPECT_TRUE(outcome.document.header.empty());
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
    const std::vector<Runs> runs = {
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
    EXPECT_EQ(headerRuns(header), runs);
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
    EXPECT_EQ(headerRuns(header), (std::vector<Runs>{{{"LEARNING SET", header_styles::firstLine}},
                                                     {{"(No Header)", header_styles::noHeader}}}));
    EXPECT_TRUE(header.readOnly);
    EXPECT_FALSE(header.verticalScrollBar);
    EXPECT_EQ(outcome.document.table.fixedColumnCount(), 2);
    EXPECT_EQ(outcome.document.table.columnWidth(1), 7 * 3 + 6);
}

// Every line reached by index is the line a plain split of the header's bytes gives,
// across the index's stride boundaries, with CR LF, LF and empty lines mixed.
TEST_F(DataFileReader, headerLineIndexReachesEveryLineOfAPlainSplit)
{
    for (const std::size_t bodyLines : {std::size_t{0}, std::size_t{1}, HeaderLineIndex::Stride - 1,
                                        HeaderLineIndex::Stride, HeaderLineIndex::Stride + 1, std::size_t{300}}) {
        std::string body;
        for (std::size_t i = 0; i < bodyLines; ++i) {
            const std::string texts[] = {"[S" + std::to_string(i) + "]", "K" + std::to_string(i) + "=v=w", "",
                                         "plain " + std::to_string(i)};
            body += texts[i % 4] + (i % 3 == 0 ? "\n" : "\r\n");
        }
        const std::string headerBytes = "KVD 2.1\r\n" + body;
        const Outcome outcome = read(headerBytes + "[Data]\r\nId;Src;A\r\n1;s;2\r\n");
        ASSERT_TRUE(outcome.result) << outcome.error;

        Texts split;
        for (std::size_t start = 0; start < headerBytes.size();) {
            const std::size_t end = headerBytes.find('\n', start);
            std::string line = headerBytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            split.push_back(line);
            start = end + 1;
        }
        std::vector<HeaderLineClass> classes;
        outcome.document.header.forEachLine([&](const HeaderLine& line) { classes.push_back(line.lineClass); });

        const HeaderLineIndex index(outcome.document.header);
        ASSERT_EQ(index.count(), split.size()) << bodyLines;
        ASSERT_EQ(classes.size(), split.size()) << bodyLines;
        for (std::size_t i = index.count(); i-- > 0;) { // backwards: no reliance on the previous line
            EXPECT_EQ(index.line(i).text, split[i]) << bodyLines << " lines, line " << i;
            EXPECT_EQ(index.line(i).lineClass, classes[i]) << bodyLines << " lines, line " << i;
        }
    }
    const Outcome learning = read("LEARNING SET\r\nId;Src;Area;Group;Status\r\nA;s;1;g;Learning\r\n");
    const HeaderLineIndex index(learning.document.header);
    ASSERT_EQ(index.count(), 2u);
    EXPECT_EQ(index.line(1).text, "(No Header)");
    EXPECT_EQ(HeaderLineIndex(HeaderText()).count(), 0u);
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

    // A dropped CR counts for no width either: the source column fits "sourcename".
    const Outcome stray = read("KVD\r\n[Data]\r\nId;Src;A\r\nB;source\rname\r\n");
    ASSERT_TRUE(stray.result) << stray.error;
    EXPECT_EQ(stray.document.table.columnWidth(1), 7 * 10 + 6);
}

TEST_F(DataFileReader, strayCarriageReturnsLeaveHeaderLines)
{
    const Outcome outcome = read("KVD\r\nA=\r1\r\n[Da\rta]\r\nId;Src;Area\r\nA;s;1\r\n");
    ASSERT_TRUE(outcome.result) << outcome.error;
    EXPECT_EQ(headerTexts(outcome.document), (Texts{"KVD", "A=1"}));
}

TEST_F(DataFileReader, missingFileLeavesTheDocumentUntouched)
{
    for (const std::string& path : {m_dir.filePath("absent.kvd").toStdString(), m_dir.filePath("absent.kvd/x").toStdString(), ""s}) {
        const Outcome outcome = readPath(path);
        ASSERT_TRUE(outcome.result) << path;
        EXPECT_EQ(outcome.result->status, ReadStatus::NoSuchFile) << path;
        EXPECT_TRUE(outcome.document.header.empty());
        EXPECT_EQ(outcome.document.table.rowCount(), 1);
        EXPECT_EQ(outcome.document.table.columnCount(), 1);
    }
}

// A folder or a socket is named as what it is, by the viewer and by the report, and
// the document is left untouched.
TEST_F(DataFileReader, aFolderOrASocketIsRefusedAsWhatItIs)
{
    const std::string socketPath = m_dir.filePath("socket.kvd").toStdString();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    const std::string folder = m_dir.path().toStdString();
    ReaderOptions reportOptions;
    reportOptions.regularFilesOnly = false;
    const struct {
        std::string path;
        ReaderOptions options;
        std::string error;
    } cases[] = {
        {folder, {}, "The file " + folder + " is a folder, not a regular file: only regular files can be opened."},
        {folder, reportOptions, "The file " + folder + " is a folder: only files, pipes and devices can be read."},
        {socketPath, {}, "The file " + socketPath + " is a socket, not a regular file: only regular files can be opened."},
        {socketPath, reportOptions,
         "The file " + socketPath + " is a socket: only files, pipes and devices can be read."},
    };
    for (const auto& c : cases) {
        const Outcome outcome = readPath(c.path, c.options);
        EXPECT_FALSE(outcome.result);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_TRUE(outcome.document.header.empty());
        EXPECT_EQ(outcome.document.table.rowCount(), 1);
    }
    ::close(listener);
}

TEST_F(DataFileReader, readFailureRaisesTheSystemErrorText)
{
    // /proc/self/mem opens like a file, but reading at offset 0 fails with EIO.
    const Outcome outcome = readPath("/proc/self/mem");
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.error, "Erreur E/S 5");
    EXPECT_TRUE(outcome.document.header.empty());
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

// Past its first rows, a file's rows are counted ahead from their mean length, so a
// large file is held in one allocation a little larger than its rows, not in one
// that doubling left up to twice as large.
TEST_F(DataFileReader, roomForTheRowsFollowsTheRowsEstimatedAfterTheFirstOnes)
{
    for (const int rows : {100, 4096, 4097, 30000}) {
        std::string bytes = "KVD\n[Data]\nId;Src;Area\n";
        for (int row = 0; row < rows; ++row)
            bytes += "leaf_" + std::to_string(100000 + row) + ";scan_A;" + std::to_string(row % 977) + ".25\n";
        const Outcome outcome = read(bytes);
        ASSERT_TRUE(outcome.result) << outcome.error;
        const DataTable& table = outcome.document.table;
        ASSERT_EQ(table.objectCount(), rows);
        EXPECT_GE(table.rowCapacity(), std::size_t(table.rowCount())) << rows;
        if (rows > 4096) {
            EXPECT_LE(table.rowCapacity(), std::size_t(1.06 * rows) + 1100) << rows;
        }
    }
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

// Lines and cells against a plain reading of the same bytes: split at LF, drop every
// CR, header up to "[Data]", table up to the first empty line, fields split one by one.
TEST_F(DataFileReader, linesAndCellsAgreeWithAPlainReadingOfRandomBytes)
{
    std::mt19937 random(5);
    const std::string alphabet = "ab;;;\r\r\n\n 1=[]";
    for (int round = 0; round < 300; ++round) {
        std::string body;
        const std::size_t length = random() % 4 == 0 ? 6000 : random() % 200; // long lines use the split cache
        for (std::size_t i = 0; i < length; ++i)
            body += alphabet[random() % alphabet.size()];
        const std::string header = random() % 2 ? "x=1\r\n[S]\n\n" : "";
        const std::string bytes = "KVD\n" + header + "[Data]\nId;Src;Area" + body;

        std::vector<std::string> lines;
        for (std::size_t start = 0; start <= bytes.size();) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string::npos)
                end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            std::erase(line, '\r');
            lines.push_back(line);
            start = end + 1;
        }
        Texts expectedHeader;
        std::size_t next = 0;
        for (; lines[next] != "[Data]"; ++next)
            expectedHeader.push_back(lines[next]);
        std::vector<std::string> rows;
        for (++next; next < lines.size() && (rows.empty() || !lines[next].empty()); ++next)
            rows.push_back(lines[next]);

        const Outcome outcome = read(bytes);
        const ReadDocument& document = outcome.document;
        ASSERT_EQ(headerTexts(document), expectedHeader);
        // An error (a line with a single field) ends the table after that line's row.
        ASSERT_LE(document.table.rowCount(), static_cast<int>(rows.size()));
        for (int row = 0; row < document.table.rowCount(); ++row) {
            const std::string& line = rows[static_cast<std::size_t>(row)];
            ASSERT_EQ(document.table.line(row), line);
            std::vector<std::string> fields;
            for (std::size_t start = 0; start < line.size();) {
                const std::size_t end = std::min(line.find(';', start), line.size());
                fields.push_back(line.substr(start, end - start));
                start = end + 1;
            }
            for (int column = 0; column < document.table.columnCount(); ++column) {
                const auto index = static_cast<std::size_t>(column);
                ASSERT_EQ(document.table.cell(row, column), index < fields.size() ? fields[index] : "")
                    << "row " << row << " column " << column;
            }
        }
    }
}

// The viewer never waits on a named pipe: it is refused at once, as a socket or a
// device would be. kvdreport reads one to its end.
TEST_F(DataFileReader, aFifoIsRefusedInTheViewerAndReadToItsEndByTheReport)
{
    const std::string path = m_dir.filePath("pipe.kvd").toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Should the read wait for a writer after all, this one ends the wait and the test fails.
    std::atomic<bool> readDone = false;
    std::atomic<bool> unblocked = false;
    std::jthread rescue([&](std::stop_token stop) {
        for (int i = 0; i < 300 && !stop.stop_requested() && !readDone; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!readDone) {
            unblocked = true;
            ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
        }
    });
    const Outcome refused = readPath(path);
    // The bytes' own reader refuses it too, unless told otherwise.
    EXPECT_THROW(readFileBytes(path, {}), Error);
    readDone = true;
    EXPECT_FALSE(unblocked);
    EXPECT_EQ(refused.error, "The file " + path + " is a named pipe (FIFO), not a regular file: only regular files "
                             "can be opened.");

    const std::string text = "KVD\n[Data]\nId;Src;Area\nA;s;1\nB;s;2\n";
    std::jthread writer([&] {
        const int descriptor = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(::write(descriptor, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(descriptor);
    });
    ReaderOptions reportOptions;
    reportOptions.regularFilesOnly = false;
    const Outcome piped = readPath(path, reportOptions);
    ASSERT_TRUE(piped.result) << piped.error;
    EXPECT_EQ(piped.document.table.objectCount(), 2);
    EXPECT_EQ(piped.document.table.cell(2, 2), "2");
}

// A name swapped for a link to an endless device: the viewer refuses the device it
// finds through the link; the report reads it only up to the limit and refuses it.
TEST_F(DataFileReader, aLinkToAnEndlessDeviceIsRefusedWithoutReadingPastTheLimit)
{
    const std::string path = write("KVD\n[Data]\nId;Src;Area\nA;s;1\n");
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
    EXPECT_EQ(readPath(path).error, "The file " + path + " is a character device, not a regular file: only regular "
                                                        "files can be opened.");
    ReaderOptions reportOptions;
    reportOptions.regularFilesOnly = false;
    reportOptions.sizeLimit = 3 << 20;
    std::uint64_t mostRead = 0;
    reportOptions.progress = [&](std::uint64_t done, std::uint64_t) { mostRead = std::max(mostRead, done / 2); };
    EXPECT_EQ(readPath(path, reportOptions).error,
              "The file " + path + " is more than 3145728 bytes long; a data file may hold at most 3145728 bytes.");
    EXPECT_LE(mostRead, reportOptions.sizeLimit + 1);
}

// A FIFO (as a device would) is refused without ever being opened for reading, named
// directly or through a link; inotify sees every open for reading. A link to a
// regular file still opens.
TEST_F(DataFileReader, theTypeIsCheckedBeforeAnyOpenForReading)
{
    const std::string fifo = m_dir.filePath("pipe.kvd").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string linkToFifo = m_dir.filePath("to-pipe.kvd").toStdString();
    ASSERT_EQ(::symlink(fifo.c_str(), linkToFifo.c_str()), 0);
    for (const std::string& path : {fifo, linkToFifo}) {
        const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        ASSERT_GE(::inotify_add_watch(watch.get(), fifo.c_str(), IN_OPEN), 0);
        EXPECT_EQ(readPath(path).error, "The file " + path + " is a named pipe (FIFO), not a regular file: only "
                                                             "regular files can be opened.");
        char events[4096];
        EXPECT_EQ(::read(watch.get(), events, sizeof events), -1) << path << " was opened";
    }
    const std::string target = write("KVD\n[Data]\nId;Src;Area\nA;s;1\n");
    const std::string linkToFile = m_dir.filePath("to-file.kvd").toStdString();
    ASSERT_EQ(::symlink(target.c_str(), linkToFile.c_str()), 0);
    const Outcome linked = readPath(linkToFile);
    ASSERT_TRUE(linked.result) << linked.error;
    EXPECT_EQ(linked.document.table.cell(1, 2), "1");
}

// What a file gains while it is read is read too, up to the limit.
TEST_F(DataFileReader, aGrowingFileIsReadToItsEndWithinTheLimit)
{
    const std::string path = write("KVD\n[Data]\nId;Src;Area\nA;s;1\n");
    auto growing = [&](int appendsLeft) {
        ReaderOptions options;
        options.progress = [&, appendsLeft](std::uint64_t done, std::uint64_t total) mutable {
            if (done <= total / 2 && appendsLeft-- > 0) // still reading the file
                std::ofstream(path, std::ios::app) << std::string(100, 'B') + ";s;2\n";
        };
        options.sizeLimit = 1000;
        return readPath(path, options);
    };
    const Outcome grown = growing(3);
    ASSERT_TRUE(grown.result) << grown.error;
    EXPECT_EQ(grown.document.table.objectCount(), 4);
    EXPECT_EQ(grown.document.table.cell(4, 2), "2");
    EXPECT_EQ(growing(1000).error,
              "The file " + path + " is more than 1000 bytes long; a data file may hold at most 1000 bytes.");
}

// Large files are read in two halves at once: whatever the size, the bytes are the
// file's, in order; a file that grows meanwhile is read to its new end, and one cut
// short meanwhile gives a beginning of its old content, never a gap or stale bytes.
TEST_F(DataFileReader, twoHalvesReadAtOnceGiveTheFileInOrder)
{
    std::mt19937 random(3);
    FileReadOptions options;
    options.twoThreadSize = 1;
    for (const std::size_t size : {1u, 2u, 3u, 4095u, 4096u, 4097u, 1000001u}) {
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        const std::string path = write(bytes);
        const FileBytes read = readFileBytes(path, options);
        ASSERT_EQ(read.view(), bytes) << size << " bytes";
    }

    const std::string original(3000000, 'x');
    const std::string path = write(original);
    FileReadOptions growing = options;
    bool grown = false;
    growing.progress = [&](std::uint64_t, std::uint64_t) {
        if (!std::exchange(grown, true))
            std::ofstream(path, std::ios::app) << "tail";
    };
    EXPECT_EQ(readFileBytes(path, growing).view(), original + "tail");

    write(original);
    FileReadOptions shrinking = options;
    shrinking.progress = [&](std::uint64_t, std::uint64_t) { ASSERT_EQ(::truncate(path.c_str(), 1000), 0); };
    const FileBytes cut = readFileBytes(path, shrinking);
    EXPECT_TRUE(original.starts_with(cut.view())) << cut.size() << " bytes";
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
