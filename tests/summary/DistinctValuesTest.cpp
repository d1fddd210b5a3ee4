#include "summary/DistinctValues.h"

#include <gtest/gtest.h>

#include <QCollator>

#include <algorithm>
#include <string>
#include <vector>

namespace kvd {
namespace {

// A column of texts; row r (from 0) is texts[r].
struct Column {
    std::vector<std::string> texts;
    TextOfRow textOfRow() const
    {
        return [this](int row) { return SplitText{texts[static_cast<std::size_t>(row)], {}}; };
    }
};

const QLocale French(QLocale::French, QLocale::France);

TEST(Collation, printableAsciiFoldsCaseInTheCAndFrenchLocales)
{
    EXPECT_TRUE(Collation(QLocale::c()).foldsPrintableAscii());
    EXPECT_TRUE(Collation(French).foldsPrintableAscii());
}

TEST(Collation, sortKeysAreUsedOnlyWhereTheyIgnoreCase)
{
    // The C locale's sort keys tell "a" from "A": its keys hold the texts instead.
    EXPECT_FALSE(Collation(QLocale::c()).usesSortKeys());
    EXPECT_TRUE(Collation(French).usesSortKeys());
}

TEST(Collation, equalityKeysAgreeWithTheCollatorInTheCAndFrenchLocales)
{
    // Checked against the collator at construction; without them accented texts would
    // be matched through an ordered map, much slower on large files.
    EXPECT_TRUE(Collation(QLocale::c()).hasEqualityKeys());
    EXPECT_TRUE(Collation(French).hasEqualityKeys());
}

// Non-ASCII texts are matched by hashed equality keys, or through an ordered map of
// sort keys where a collation has no equality keys: every case runs both ways.
class DistinctValuesBothWays : public testing::TestWithParam<Collation::EqualityKeyUse> {};

INSTANTIATE_TEST_SUITE_P(KeyUse, DistinctValuesBothWays,
                         testing::Values(Collation::EqualityKeyUse::WhenVerified, Collation::EqualityKeyUse::Never),
                         [](const testing::TestParamInfo<Collation::EqualityKeyUse>& paramInfo) {
                             return paramInfo.param == Collation::EqualityKeyUse::Never ? "sortKeysOnly"
                                                                                        : "equalityKeys";
                         });

TEST_P(DistinctValuesBothWays, refusesTextsEqualToAnEntryAndKeepsTheFirstSpelling)
{
    const Collation collation(French, GetParam());
    const Column column{{"Img", "img", "IMG", "other", "\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\xA9"}};
    DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow());
    std::vector<bool> added;
    for (int row = 0; row < 6; ++row)
        added.push_back(values.add(row));
    EXPECT_EQ(added, (std::vector<bool>{true, false, false, true, true, false}));
    EXPECT_EQ(values.size(), 3);
    EXPECT_EQ(values.firstRowsInOrder(), (std::vector<int>{4, 0, 3})); // été, Img, other
}

TEST(DistinctValues, twoPieceTextsMatchAcrossTheJoin)
{
    const Collation collation(QLocale::c());
    const std::vector<std::pair<std::string, std::string>> keys = {{"1", "23"}, {"12", "3"}, {"1", "2"}, {"A", "b"}, {"a", "B"}};
    DistinctValues values(collation, TextEncoding::Utf8, [&](int row) {
        const auto& key = keys[static_cast<std::size_t>(row)];
        return SplitText{key.first, key.second};
    });
    std::vector<bool> added;
    for (int row = 0; row < 5; ++row)
        added.push_back(values.add(row));
    EXPECT_EQ(added, (std::vector<bool>{true, false, true, true, false}));
}

TEST(DistinctValues, findsAndRemovesEntriesIgnoringCase)
{
    const Collation collation(QLocale::c());
    const Column column{{"learning", "TEST", "odd"}};
    DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow());
    for (int row = 0; row < 3; ++row)
        values.add(row);
    EXPECT_EQ(values.find(SplitText{"Learning", {}}), 0);
    EXPECT_EQ(values.find(SplitText{"Test", {}}), 1);
    EXPECT_EQ(values.find(SplitText{"Other", {}}), -1);
    values.remove(0);
    values.remove(values.find(SplitText{"Test", {}}));
    values.remove(-1); // a text that was not found: nothing happens
    EXPECT_EQ(values.size(), 1);
    EXPECT_EQ(values.firstRowsInOrder(), std::vector<int>{2});
}

TEST_P(DistinctValuesBothWays, fullwidthAndAsciiLettersMeetInEitherOrder)
{
    const Collation collation(QLocale(QLocale::English, QLocale::UnitedStates), GetParam());
    const Column column{{"a", "b", "\xEF\xBC\xA1", "\xEF\xBC\xA2x", "Bx", "c"}};
    DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow());
    std::vector<bool> added;
    for (int row = 0; row < 6; ++row)
        added.push_back(values.add(row));
    EXPECT_EQ(added, (std::vector<bool>{true, true, false, true, false, true}));
    EXPECT_EQ(values.find(SplitText{"A", {}}), 0);
    EXPECT_EQ(values.firstRowsInOrder(), (std::vector<int>{0, 1, 3, 5}));
}

TEST_P(DistinctValuesBothWays, manyValuesComeOutInTheCollatorsOrder)
{
    // Enough entries, mixed case, digits and punctuation, for the order to come from
    // sort keys; checked against a plain sort with the collator.
    Column column;
    std::uint32_t seed = 12345;
    const std::vector<std::string> alphabet = {"a", "A", "b", "B", "c", "C", "d", "D", "-", "_", " ",
                                               "0", "1", "9", "z", "Z", ".", "\xC3\xA9", "\xC3\x89"};
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (int length = 1 + static_cast<int>(seed % 5); length > 0; --length) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % alphabet.size()];
        }
        column.texts.push_back(text);
    }
    for (const QLocale& locale : {QLocale::c(), French}) {
        const Collation collation(locale, GetParam());
        DistinctValues values(collation, TextEncoding::Utf8, column.textOfRow());
        for (int row = 0; row < static_cast<int>(column.texts.size()); ++row)
            values.add(row);

        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QString> expected; // first spellings, sorted
        for (const std::string& text : column.texts) {
            const QString candidate = QString::fromStdString(text);
            if (std::none_of(expected.begin(), expected.end(),
                             [&](const QString& known) { return collator.compare(known, candidate) == 0; }))
                expected.push_back(candidate);
        }
        std::sort(expected.begin(), expected.end(),
                  [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });

        std::vector<QString> actual;
        for (const int row : values.firstRowsInOrder())
            actual.push_back(QString::fromStdString(column.texts[static_cast<std::size_t>(row)]));
        EXPECT_EQ(actual, expected) << locale.name().toStdString();
    }
}

TEST(SpellingCounts, countsEachExactSpellingAndKeepsFirstRowsInOrder)
{
    const Column column{{"Img", "img", "Img", "", "Img", ""}};
    SpellingCounts counts(column.textOfRow());
    for (int row = 0; row < 6; ++row)
        counts.add(row);
    EXPECT_EQ(counts.count(SplitText{"Img", {}}), 3);
    EXPECT_EQ(counts.count(SplitText{"img", {}}), 1);
    EXPECT_EQ(counts.count(SplitText{"IMG", {}}), 0);
    EXPECT_EQ(counts.count(SplitText{"", {}}), 2);
    EXPECT_EQ(counts.firstRows(), (std::vector<std::int32_t>{0, 1, 3}));
}

} // namespace
} // namespace kvd
