#include "summary/CellSearch.h"
#include "summary/Collation.h"
#include "summary/TableSearch.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

const QLocale French(QLocale::French, QLocale::France);

// Every match of a whole turn, by the plain definition: cells in reading order from
// the one after `from`, wrapping, `from` last; a cell matches when its case-folded
// text contains the case-folded search text.
std::vector<TableCell> referenceTurn(const std::vector<std::vector<std::string>>& rows, const QString& text,
                                     int onlyColumn, TableCell from, bool forward, TextEncoding encoding)
{
    std::vector<TableCell> order;
    const int n = static_cast<int>(rows.size());
    const int columns = static_cast<int>(rows.front().size());
    for (int row = 1; row <= n; ++row)
        for (int column = 0; column < columns; ++column)
            order.push_back({row, column});
    if (!forward)
        std::reverse(order.begin(), order.end());
    const auto start = std::find(order.begin(), order.end(), from);
    std::rotate(order.begin(), start + 1, order.end());
    std::vector<TableCell> matches;
    for (const TableCell& cell : order) {
        const std::string& bytes = rows[static_cast<std::size_t>(cell.row - 1)][static_cast<std::size_t>(cell.column)];
        // The pieces of the Windows-1252 tables are all Latin-1 characters.
        const QString value = encoding == TextEncoding::Utf8 ? QString::fromStdString(bytes)
                                                             : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
        if ((onlyColumn < 0 || cell.column == onlyColumn) && value.toCaseFolded().contains(text.toCaseFolded()))
            matches.push_back(cell);
    }
    return matches;
}

std::vector<std::string> tableLines(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::string> lines{"Object;Source;Area"};
    for (const auto& row : rows)
        lines.push_back(row[0] + ";" + row[1] + ";" + row[2]);
    return lines;
}

// Pieces whose case folding agrees with the French collation: ASCII letters in both
// cases, accented letters in both cases, digits; in UTF-8 and in Windows-1252, where
// the accented letters sit anywhere in a line, also past its last 8-byte word.
class TableSearchIn : public testing::TestWithParam<TextEncoding> {};

TEST_P(TableSearchIn, findsWhatAPlainCaseFoldedScanFindsInEveryDirectionColumnAndStepSize)
{
    const TextEncoding encoding = GetParam();
    const bool utf8 = encoding == TextEncoding::Utf8;
    const std::vector<std::string> pieces = {"a", "B", "ab", "AB", utf8 ? "\xC3\xA9" : "\xE9", utf8 ? "\xC3\x89" : "\xC9",
                                             "e", "1", "x", utf8 ? "\xC3\xA0" : "\xE0"};
    const std::vector<QString> texts = {"a", "AB", "b1", "\u00e9", "E", "x", "1A", "\u00c9a", "\u00e0"};
    const Collation& collation = Collation::forLocale(French);
    std::mt19937 random(7);
    for (int trial = 0; trial < 120; ++trial) {
        std::vector<std::vector<std::string>> rows(1 + random() % 12);
        for (auto& row : rows) {
            for (int column = 0; column < 3; ++column) {
                std::string cell;
                for (auto k = random() % 5; k > 0; --k)
                    cell += pieces[random() % pieces.size()];
                row.push_back(cell);
            }
        }
        const DataTable table = test::makeTable(tableLines(rows));
        const QString text = texts[random() % texts.size()];
        const CellSearch search(text, collation, encoding);
        const int onlyColumn = static_cast<int>(random() % 4) - 1;
        const TableCell from{1 + static_cast<int>(random() % rows.size()), static_cast<int>(random() % 3)};
        const bool forward = random() % 2 == 0;
        const std::vector<TableCell> expected = referenceTurn(rows, text, onlyColumn, from, forward, encoding);

        TableSearch tableSearch(table, search, onlyColumn, from,
                                forward ? TableSearch::Direction::Forward : TableSearch::Direction::Backward);
        while (tableSearch.step(1 + static_cast<int>(random() % 3)) == TableSearch::Status::Running) {
        }
        SCOPED_TRACE("trial " + std::to_string(trial) + " text " + text.toStdString());
        if (expected.empty()) {
            EXPECT_EQ(tableSearch.status(), TableSearch::Status::NotFound);
            EXPECT_EQ(tableSearch.rowsExamined(), tableSearch.rowsInTurn());
        } else {
            ASSERT_EQ(tableSearch.status(), TableSearch::Status::Found);
            EXPECT_EQ(tableSearch.found(), expected.front());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, TableSearchIn, testing::Values(TextEncoding::Utf8, TextEncoding::Windows1252),
                         [](const testing::TestParamInfo<TextEncoding>& paramInfo) {
                             return std::string(paramInfo.param == TextEncoding::Utf8 ? "Utf8" : "Windows1252");
                         });

TEST(TableSearch, startsAtTheFirstCellWithoutACurrentCellAndNeverSearchesTheColumnNames)
{
    const DataTable table = test::makeTable({"Leaf;Src;Area", "leaf1;s;1", "x;LEAF2;2"});
    const CellSearch search("leaf", Collation::forLocale(French), TextEncoding::Utf8);
    TableSearch forward(table, search, -1, TableCell{-1, -1}, TableSearch::Direction::Forward);
    EXPECT_EQ(forward.step(100), TableSearch::Status::Found);
    EXPECT_EQ(forward.found(), (TableCell{1, 0}));
    TableSearch backward(table, search, -1, TableCell{-1, -1}, TableSearch::Direction::Backward);
    EXPECT_EQ(backward.step(100), TableSearch::Status::Found);
    EXPECT_EQ(backward.found(), (TableCell{2, 1}));
    // The only match, found again from itself after a whole turn.
    TableSearch inColumn(table, search, 1, TableCell{2, 1}, TableSearch::Direction::Forward);
    EXPECT_EQ(inColumn.step(100), TableSearch::Status::Found);
    EXPECT_EQ(inColumn.found(), (TableCell{2, 1}));
}

// Long cells and lines of random bytes, against a plain scan of every window: the
// folded Horspool search (patterns that repeat their own beginning, such as "aab" in
// "aaab") and the 8-byte printable check of a line, with controls, DEL, bytes of
// Windows-1252 and UTF-8, and TAB or ";" as separator, at every place of a word.
TEST(CellSearch, foldedSearchAndQuickLineTestAgreeWithAPlainScanOfLongRandomBytes)
{
    const std::string alphabet = std::string("aAbB;\t ~x") + '\x01' + '\x1F' + '\x7F' + '\xE9' + '\xC3' + '\0';
    const std::vector<QString> texts = {"a", "ab", "aab", "AbA", "abab", "baab", "aaaaab", "bBbBbBbBb"};
    const auto plainFoldedContains = [](std::string_view bytes, const QString& text) {
        const std::string folded = text.toLower().toStdString();
        for (std::size_t i = 0; i + folded.size() <= bytes.size(); ++i) {
            std::size_t k = 0;
            while (k < folded.size() && std::tolower(static_cast<unsigned char>(bytes[i + k])) == folded[k])
                ++k;
            if (k == folded.size())
                return true;
        }
        return false;
    };
    const auto printable = [](std::string_view bytes, char separator) {
        return std::all_of(bytes.begin(), bytes.end(),
                           [&](char c) { return (c >= 0x20 && c <= 0x7E) || c == separator; });
    };
    const Collation& collation = Collation::forLocale(French);
    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string bytes;
        // Mostly printable: one byte in 8 from the whole alphabet, the rest "a", "A", "b", "B".
        for (auto length = random() % 70; length > 0; --length)
            bytes += random() % 8 == 0 ? alphabet[random() % alphabet.size()] : "aAbB"[random() % 4];
        const QString& text = texts[random() % texts.size()];
        const TextEncoding encoding = random() % 2 == 0 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
        const CellSearch search(text, collation, encoding);
        SCOPED_TRACE("trial " + std::to_string(trial) + " text " + text.toStdString());
        // Other cells go to the collator, which may ignore controls inside a match.
        if (printable(bytes, ' ')) {
            EXPECT_EQ(search.matches(bytes), plainFoldedContains(bytes, text));
        }
        for (const char separator : {';', '\t'}) {
            EXPECT_EQ(search.lineMayMatch(bytes, separator),
                      plainFoldedContains(bytes, text) || !printable(bytes, separator));
        }
    }
}

TEST(CellSearch, followsTheCollationBeyondCaseFoldingAndReadsWindows1252Cells)
{
    const Collation& collation = Collation::forLocale(French);
    // Fullwidth letters differ from ASCII only in the way letter case does.
    EXPECT_TRUE(CellSearch("b", collation, TextEncoding::Utf8).matches("\xEF\xBC\xA1\xEF\xBC\xA2"));
    EXPECT_TRUE(CellSearch("ab", collation, TextEncoding::Utf8).lineMayMatch("x;\xEF\xBC\xA1\xEF\xBC\xA2", ';'));
    EXPECT_TRUE(CellSearch("\uff21", collation, TextEncoding::Utf8).matches("xa"));
    EXPECT_FALSE(CellSearch("\uff21", collation, TextEncoding::Utf8).matches("?"));
    // Accents are not letter case.
    EXPECT_FALSE(CellSearch("e", collation, TextEncoding::Utf8).matches("\xC3\xA9t\xC3\xA9"));
    EXPECT_TRUE(CellSearch("\u00c9T", collation, TextEncoding::Windows1252).matches("\xE9t\xE9"));
    // Lines with control characters or DEL anywhere in their 8-byte words are never skipped
    // unseen: the collation may ignore those characters inside a match.
    const CellSearch ab("ab", collation, TextEncoding::Utf8);
    EXPECT_TRUE(ab.lineMayMatch("0123456;a\x01" "b;0123456789", ';'));
    EXPECT_TRUE(ab.lineMayMatch("01234567a\x7F" "b", ';'));
    EXPECT_FALSE(ab.lineMayMatch("01234567\ta\tb\t0123", '\t'));
    EXPECT_FALSE(CellSearch("", collation, TextEncoding::Utf8).matches("anything"));

    // A text beyond ASCII skips lines of printable ASCII only where none can hold it:
    // fullwidth letters, digits and signs, ligatures, and, with an ignorable character,
    // the letter groups Hungarian counts as one letter ("cs", "dzs").
    const QStringList beyondAscii = {"\u00e9", "\u00df", "\uff21", "\u00e6", "\ufb01", "\u00c9t\u00e9", "\u212a",
                                     "\uff11", "\uff5e", "cs\u200b", "DZS\u200b"};
    for (const QLocale& locale : {French, QLocale(QLocale::Hungarian, QLocale::Hungary)}) {
        int matched = 0;
        for (const QString& text : beyondAscii) {
            const CellSearch search(text, Collation::forLocale(locale), TextEncoding::Utf8);
            for (const std::string_view cell : {"ss", "xa", "ae", "fi", "e", "ete", "k", "1", "~", "cs", "dzs"}) {
                if (search.matches(cell)) {
                    ++matched;
                    EXPECT_TRUE(search.lineMayMatch(cell, ';')) << text.toStdString() << " in " << cell;
                }
            }
        }
        EXPECT_GE(matched, 8) << locale.name().toStdString();
    }
    EXPECT_FALSE(CellSearch("\u00e9", collation, TextEncoding::Utf8).lineMayMatch("ete;e;E", ';'));
    EXPECT_TRUE(CellSearch("\uff21", collation, TextEncoding::Utf8).lineMayMatch("class;xa", ';'));
    EXPECT_FALSE(CellSearch("a;b", collation, TextEncoding::Utf8).matches("a"));
}

} // namespace
} // namespace kvd
