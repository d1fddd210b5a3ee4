#include "summary/DistinctValues.h"
#include "summary/DuplicateRows.h"
#include "summary/RowHashTable.h"

#include <gtest/gtest.h>

#include <QCollator>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kvd {
namespace {

// A column of texts; row r (from 0) is texts[r].
struct Column {
    std::vector<std::string> texts;
    TextOfRow textOfRow() const
    {
        return [this](int row) { return TwoPieceText{texts[static_cast<std::size_t>(row)], {}}; };
    }
    int size() const { return static_cast<int>(texts.size()); }
};

std::vector<int> duplicateRows(const Collation& collation, const Column& column,
                               TextEncoding encoding = TextEncoding::Utf8)
{
    std::vector<int> rows;
    findDuplicateRows(collation, encoding, column.textOfRow(), 0, column.size(),
                      [&rows](int row) { rows.push_back(row); });
    return rows;
}

// The plain reference: a QCollator that ignores case, a list of first spellings
// searched one by one, a sort, and a count of exact spellings.
struct Reference {
    explicit Reference(const QLocale& locale) : collator(locale) { collator.setCaseSensitivity(Qt::CaseInsensitive); }

    std::vector<int> duplicateRows(const Column& column) const
    {
        std::vector<int> rows;
        std::vector<QString> kept;
        for (int row = 0; row < column.size(); ++row) {
            const QString text = QString::fromStdString(column.texts[static_cast<std::size_t>(row)]);
            if (std::any_of(kept.begin(), kept.end(), [&](const QString& k) { return collator.compare(k, text) == 0; }))
                rows.push_back(row);
            else
                kept.push_back(text);
        }
        return rows;
    }

    std::vector<Tally> tallies(const Column& column) const
    {
        const std::vector<int> duplicates = duplicateRows(column);
        std::vector<int> firstRows;
        for (int row = 0; row < column.size(); ++row) {
            if (!std::binary_search(duplicates.begin(), duplicates.end(), row))
                firstRows.push_back(row);
        }
        const auto text = [&](int row) { return QString::fromStdString(column.texts[static_cast<std::size_t>(row)]); };
        std::stable_sort(firstRows.begin(), firstRows.end(),
                         [&](int a, int b) { return collator.compare(text(a), text(b)) < 0; });
        std::vector<Tally> result;
        for (const int row : firstRows) {
            const auto& spelling = column.texts[static_cast<std::size_t>(row)];
            result.push_back(Tally{row, static_cast<int>(std::count(column.texts.begin(), column.texts.end(), spelling))});
        }
        return result;
    }

    QCollator collator;
};

// Random short texts, mostly plain ASCII in mixed case, with accented, fullwidth,
// ignorable and decomposed characters, and letter groups some locales contract.
Column generatedColumn(std::uint32_t seed, int rows, int percentPlainAscii)
{
    const std::vector<std::string> ascii = {"a", "A", "b", "B", "c", "C", "h", "H", "s", "S", "z", "Z", "-", "_",
                                            " ", "0", "1", "9", ".", "ch", "cs", "ccs", "aa", "ll", "v", "w", "i"};
    const std::vector<std::string> other = {"\xC3\xA9", "\xC3\x89", "e\xCC\x81", "\xEF\xBC\xA1", "\xC3\x9F", "ss",
                                            "\x01", "\t", "\xC3\xA5", "\xC4\xB1", "\xC4\xB0", "\xE2\x80\x8B"};
    Column column;
    for (int row = 0; row < rows; ++row) {
        std::string text;
        const bool plain = static_cast<int>(seed % 100) < percentPlainAscii;
        for (int length = 1 + static_cast<int>((seed >> 8) % 4); length > 0; --length) {
            seed = seed * 1103515245u + 12345u;
            const bool fromOther = !plain && (seed >> 20) % 3 == 0;
            const auto& alphabet = fromOther ? other : ascii;
            text += alphabet[(seed >> 16) % alphabet.size()];
        }
        seed = seed * 1103515245u + 12345u;
        column.texts.push_back(text);
    }
    return column;
}

class AgainstPlainReference : public testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Locales, AgainstPlainReference, testing::Values("C", "en_US", "fr_FR", "hu_HU", "da_DK"),
                         [](const testing::TestParamInfo<const char*>& paramInfo) { return std::string(paramInfo.param); });

// Sets how many slots the hash tables of this thread may look at, for one scope.
class ProbeLimits {
public:
    ProbeLimits(std::uint64_t meanLimit, std::uint64_t allowance)
        : m_meanLimit(std::exchange(RowHashTable::MeanProbeLimit, meanLimit)),
          m_allowance(std::exchange(RowHashTable::ProbeAllowance, allowance))
    {
    }
    ~ProbeLimits()
    {
        RowHashTable::MeanProbeLimit = m_meanLimit;
        RowHashTable::ProbeAllowance = m_allowance;
    }

private:
    std::uint64_t m_meanLimit;
    std::uint64_t m_allowance;
};

TEST_P(AgainstPlainReference, duplicatesAndTalliesMatchTheCollator)
{
    const QLocale locale = std::string(GetParam()) == "C" ? QLocale::c() : QLocale(QString::fromLatin1(GetParam()));
    const Collation collation(locale);
    const Reference reference(locale);
    // Mostly ASCII with the first other text late (matching changes course in the
    // middle of a batch), then mixed columns, the last with a beginning all share.
    // Each through the hash tables, then with tables crowded at once or on the way
    // (the sort they then hand over to).
    for (const auto& [seed, plainPercent, prefix] : {std::tuple{7u, 97, ""}, std::tuple{11u, 60, ""},
                                                     std::tuple{13u, 100, "Src_"}, std::tuple{13u, 80, "Src_"}}) {
        Column column = generatedColumn(seed, 1500, plainPercent);
        for (std::string& text : column.texts)
            text.insert(0, prefix);
        const std::vector<int> duplicates = reference.duplicateRows(column);
        const std::vector<Tally> tallies = reference.tallies(column);
        for (const auto& [meanLimit, allowance] : {std::pair<std::uint64_t, std::uint64_t>{16, 4096}, {0, 0}, {0, 700}}) {
            SCOPED_TRACE(std::to_string(plainPercent) + prefix + " allowance " + std::to_string(allowance));
            const ProbeLimits limits(meanLimit, allowance);
            EXPECT_EQ(duplicateRows(collation, column), duplicates);
            const DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow(), 0, column.size());
            EXPECT_EQ(values.tallies(), tallies);
        }
    }
}

TEST(DistinctValues, duplicatesAreFoundAcrossEveryGrowthOfTheTable)
{
    // A run of one key, then 20,000 new keys: the table, small for the run, grows
    // several times over (by doubling after a long run, to odd sizes after a short
    // one); then the new keys again in capitals. A non-ASCII text, early or late,
    // moves matching to full keys before or after the growths.
    const Collation collation(QLocale::c());
    for (const auto& [runLength, otherTextRow] : {std::pair{100'000, 10}, std::pair{100'000, 125'000},
                                                  std::pair{30'000, 10}, std::pair{30'000, 55'000}}) {
        SCOPED_TRACE(std::to_string(runLength) + " " + std::to_string(otherTextRow));
        Column column;
        column.texts.assign(static_cast<std::size_t>(runLength), "same");
        for (int key = 0; key < 20'000; ++key)
            column.texts.push_back("key" + std::to_string(key));
        for (int key = 0; key < 20'000; key += 3)
            column.texts.push_back("KEY" + std::to_string(key));
        column.texts.insert(column.texts.begin() + otherTextRow, {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"});
        std::vector<int> expected;
        std::unordered_set<std::string> met;
        for (int row = 0; row < column.size(); ++row) {
            std::string text = column.texts[static_cast<std::size_t>(row)];
            std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
            if (!met.insert(text).second)
                expected.push_back(row);
        }
        EXPECT_EQ(duplicateRows(collation, column), expected);
    }
}

TEST(DistinctValues, collationRulesOfTheLocaleAndEncoding)
{
    struct Case {
        const char* rule;
        QLocale locale;
        TextEncoding encoding;
        Column column;
        std::vector<int> duplicates;
        std::vector<Tally> tallies;
    };
    const std::vector<Case> cases = {
        {"Hungarian \"ccs\" is \"cscs\", after \"ct\"", QLocale(QLocale::Hungarian, QLocale::Hungary),
         TextEncoding::Utf8, {{"cscs", "CCS", "ct"}}, {1}, {{2, 1}, {0, 1}}},
        {"Czech \"ch\" follows \"h\"", QLocale(QLocale::Czech, QLocale::CzechRepublic), TextEncoding::Utf8,
         {{"ch", "i", "h"}}, {}, {{2, 1}, {0, 1}, {1, 1}}},
        {"Danish \"aa\" is \"\xC3\xA5\", after \"z\"", QLocale(QLocale::Danish, QLocale::Denmark), TextEncoding::Utf8,
         {{"aa", "z", "b", "\xC3\xA5"}}, {3}, {{2, 1}, {1, 1}, {0, 1}}},
        {"accented capitals in Windows-1252", QLocale(QLocale::French, QLocale::France), TextEncoding::Windows1252,
         {{"\xC9vry", "Paris", "\xE9VRY", "\xE9t\xE9", "ete"}}, {2}, {{4, 1}, {3, 1}, {0, 1}, {1, 1}}},
        {"a fullwidth letter equals its ASCII letter", QLocale(QLocale::English, QLocale::UnitedStates),
         TextEncoding::Utf8, {{"\xEF\xBC\xA1", "b", "a"}}, {2}, {{0, 1}, {1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const Collation collation(c.locale);
        EXPECT_EQ(duplicateRows(collation, c.column, c.encoding), c.duplicates);
        const DistinctValues values(collation, c.encoding, c.column.textOfRow(), 0, c.column.size());
        EXPECT_EQ(values.tallies(), c.tallies);
        for (std::size_t i = 0; i < c.tallies.size(); ++i) {
            const std::string& text = c.column.texts[static_cast<std::size_t>(c.tallies[i].row)];
            EXPECT_EQ(values.find(text), static_cast<int>(i)) << text;
        }
        for (const std::string& text : c.column.texts) // later spellings find their value too
            EXPECT_GE(values.find(text), 0) << text;
    }
}

TEST(DistinctValues, twoPieceTextsMatchAcrossTheJoin)
{
    const Collation collation(QLocale::c());
    const std::vector<std::pair<std::string, std::string>> keys = {
        {"1", "23"}, {"12", "3"}, {"1", "2"}, {"A", "b"}, {"a", "B"}, {"\xC3", "\xA9"}, {"\xC3\x89", ""}};
    std::vector<int> rows;
    findDuplicateRows(collation, TextEncoding::Utf8, [&](int row) {
        const auto& key = keys[static_cast<std::size_t>(row)];
        return TwoPieceText{key.first, key.second};
    }, 0, static_cast<int>(keys.size()), [&rows](int row) { rows.push_back(row); });
    EXPECT_EQ(rows, (std::vector<int>{1, 4, 6}));
    // The joined bytes decide, wherever each text is split.
    EXPECT_TRUE(equalBytes({"1", "23"}, {"12", "3"}));
    EXPECT_FALSE(equalBytes({"1", "24"}, {"12", "3"}));
    EXPECT_FALSE(equalBytes({"ab", ""}, {"a", "c"}));
    EXPECT_FALSE(equalBytes({"ab", ""}, {"a", "bc"}));
}

TEST(DistinctValues, findsRemovesAndCountsExactSpellings)
{
    const Collation collation(QLocale::c());
    const Column column{{"learning", "TEST", "odd", "Test", "TEST", "\xEF\xBC\xA1"}};
    DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow(), 0, column.size());
    EXPECT_EQ(values.find("Learning"), 0);
    EXPECT_EQ(values.find("Test"), 2);
    EXPECT_EQ(values.find("Other"), -1);
    EXPECT_EQ(values.exactCount("Test"), 1);
    EXPECT_EQ(values.exactCount("TEST"), 2);
    EXPECT_EQ(values.exactCount("tEST"), 0);
    values.remove(values.find("Test"));
    values.remove(values.find("Learning"));
    values.remove(-1); // a text that was not found: nothing happens
    EXPECT_EQ(values.tallies(), (std::vector<Tally>{{2, 1}, {5, 1}}));
}

TEST(RowHashTable, findsEveryIdWhenAllHashesClash)
{
    // One hash for all: every id lies in one run of slots that wraps past the end.
    const std::vector<std::string> texts = {"a", "b", "c", "d", "e", "f", "g"};
    RowHashTable table(texts.size());
    const std::uint64_t hash = ~0ULL;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto same = [&](std::int32_t id) { return texts[static_cast<std::size_t>(id)] == texts[i]; };
        EXPECT_EQ(table.findOrInsert(hash, static_cast<std::int32_t>(i), same), -1);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto same = [&](std::int32_t id) { return texts[static_cast<std::size_t>(id)] == texts[i]; };
        EXPECT_EQ(table.find(hash, same), static_cast<std::int32_t>(i));
        EXPECT_EQ(table.findOrInsert(hash, 99, same), static_cast<std::int32_t>(i));
    }
    EXPECT_EQ(table.find(hash, [](std::int32_t) { return false; }), -1);
}

} // namespace
} // namespace kvd
