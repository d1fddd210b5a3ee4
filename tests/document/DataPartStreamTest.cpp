#include "document/DataPartStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvd {
namespace {

using State = DataPartStream::State;

struct Outcome {
    std::string dataPart;
    State state = State::Searching;
    long long lineNumber = 0;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// The file fed in blocks that end at the given offsets, then the end.
Outcome stream(const std::string& file, const std::vector<std::size_t>& cuts)
{
    DataPartStream stream;
    Outcome outcome;
    std::size_t begin = 0;
    for (std::size_t cut : cuts) {
        stream.feed(std::string_view(file).substr(begin, cut - begin), outcome.dataPart);
        begin = cut;
    }
    stream.feed(std::string_view(file).substr(begin), outcome.dataPart);
    outcome.state = stream.finish(outcome.dataPart);
    outcome.lineNumber = stream.lineNumber();
    return outcome;
}

// The line rules, whatever the blocks: the file whole, cut once at every offset, and
// one byte a block give the same data part.
TEST(DataPartStream, linesAfterTheFirstDataLineWithCrLfInBlocksOfAnySize)
{
    struct Case {
        const char* name;
        std::string file;
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {"crLf", "KVD\r\n[Data]\r\nId;A\r\n1;2\r\n", {"Id;A\r\n1;2\r\n", State::InData, 2}},
        {"lfBecomesCrLf", "KVD\n[Data]\nId;A\n1;2\n", {"Id;A\r\n1;2\r\n", State::InData, 2}},
        {"unendedLastLineEnded", "KVD\n[Data]\nId;A\n1;2", {"Id;A\r\n1;2\r\n", State::InData, 2}},
        {"dataLineLastGivesOneEmptyLine", "KVD\r\n[Data]\r\n", {"\r\n", State::InData, 2}},
        {"unendedDataLineLast", "KVD\n[Data]", {"\r\n", State::InData, 2}},
        {"loneCrsDropped", "KVD\r\n[Da\rta]\r\r\nId;S\rrc\r\n", {"Id;Src\r\n", State::InData, 2}},
        {"emptyLinesKept", "[Data]\n\n\nx\n\n", {"\r\n\r\nx\r\n\r\n", State::InData, 1}},
        {"laterDataLinesAreData", "KVD\n[Data]\n[Data]\n", {"[Data]\r\n", State::InData, 2}},
        {"longHeaderLine", std::string(300, '[') + "\n[Data]\nx\n", {"x\r\n", State::InData, 2}},
        {"dataLineWithMore", "KVD\n[Data] (1)\n[Data]\nx\n", {"", State::Ambiguous, 2}},
        {"dataLineWithCrInside", "KVD\n[Data]\rx\n[Data]\n", {"", State::Ambiguous, 2}},
        {"lowerCase", "KVD\n[data]\nx\n", {"", State::Searching, 3}},
        {"unendedLowerCaseLast", "KVD\n[Data", {"", State::Searching, 2}},
        {"empty", "", {"", State::Searching, 0}},
        {"dataLinePrefixOnly", "[Dat\n", {"", State::Searching, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stream(c.file, {}), c.expected);
        for (std::size_t cut = 0; cut <= c.file.size(); ++cut)
            ASSERT_EQ(stream(c.file, {cut}), c.expected) << "cut at " << cut;
        std::vector<std::size_t> everyByte;
        for (std::size_t cut = 1; cut < c.file.size(); ++cut)
            everyByte.push_back(cut);
        EXPECT_EQ(stream(c.file, everyByte), c.expected);
    }
}

} // namespace
} // namespace kvd
