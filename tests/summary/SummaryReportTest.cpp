#include "summary/ReportLines.h"

#include "TableBuilder.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvd {
namespace {

using Lines = std::vector<std::string>;
const std::string Separator(48, '-');

Lines report(const Lines& tableLines, FileKind kind, int measurements = 1,
             TextEncoding encoding = TextEncoding::Utf8, const QLocale& locale = QLocale::c())
{
    const DataTable table = test::makeTable(tableLines, fieldSeparator(kind));
    SummaryReport summary;
    writeSummaryReport(table, kind, measurements, encoding, locale, summary);
    const ReportLines reportLines(summary, table);
    Lines lines;
    for (std::size_t index = 0; index < reportLines.count(); ++index)
        lines.push_back(reportLines.line(index));
    return lines;
}

// A table's lines and kind, and the whole report it gives.
struct ReportCase {
    const char* name;
    Lines table;
    FileKind kind;
    int measurements;
    Lines expected;
};

void PrintTo(const ReportCase& c, std::ostream* out)
{
    *out << c.name;
}

class WholeReport : public testing::TestWithParam<ReportCase> {};

TEST_P(WholeReport, givesEveryLine)
{
    const ReportCase& c = GetParam();
    EXPECT_EQ(report(c.table, c.kind, c.measurements), c.expected);
}

Lines kvdHead(const char* size)
{
    return {"This KVD file contains:", size, Separator};
}

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, WholeReport,
    testing::Values(
        ReportCase{"kvdFileEndsWithTheSeparatorAfterTheSources", {"Id;Src;Area", "1;s1;3", "2;s2;4", "3;s1;5"},
                   FileKind::Kvd, 1,
                   kvdHead("3 objects x 1 measurements")
                       + Lines{"Objects originating from 2 sources:", " - s1 (2 objects)", " - s2 (1 object)", Separator}},
        // No singular forms in the size line.
        ReportCase{"oneObject", {"Id;Src;Area", "1;s1;3"}, FileKind::Kvd, 1,
                   kvdHead("1 objects x 1 measurements") + Lines{"Objects originating from s1", Separator}},
        ReportCase{"duplicateKeyJoinsObjectAndSourceWithNothingBetween", {"Id;Src;Area", "1;23;1", "12;3;2"},
                   FileKind::Kvd, 1,
                   kvdHead("2 objects x 1 measurements")
                       + Lines{"WARNING: Object 12 of 3 in duplicate !", Separator,
                               "Objects originating from 2 sources:", " - 23 (1 object)", " - 3 (1 object)", Separator}},
        ReportCase{"duplicateKeysIgnoreLetterCase", {"Id;Src;Area", "A7;img;1", "a7;IMG;2"}, FileKind::Kvd, 1,
                   kvdHead("2 objects x 1 measurements")
                       + Lines{"WARNING: Object a7 of IMG in duplicate !", Separator, "Objects originating from img",
                               Separator}},
        ReportCase{"keyMetThreeTimesWarnsForEachLaterRowInOrder",
                   {"Id;Src;Area", "5;s1;1", "5;s1;2", "6;s1;2", "5;S1;3"}, FileKind::Kvd, 1,
                   kvdHead("4 objects x 1 measurements")
                       + Lines{"WARNING: Object 5 of s1 in duplicate !", "WARNING: Object 5 of S1 in duplicate !",
                               Separator, "Objects originating from s1", Separator}},
        ReportCase{"learningDuplicateWarningNamesTheGroup",
                   {"Id;Src;Area;Group;Status", "5;s1;1;cop;Learning", "5;s1;2;cop;Learning"}, FileKind::Learning, 1,
                   {"This LEARNING file contains:", "2 objects x 1 measurements", Separator,
                    "WARNING: Object 5 of s1 in duplicate ! (cop)", Separator, "Objects originating from s1",
                    Separator, "Objects sorted into 1 groups:", " - cop (2 objects)", Separator}},
        // "Img" is met first; "img" is the same source.
        ReportCase{"singleSourceIsNamedWithoutCountOrTally", {"Id;Src;Area", "1;Img;1", "2;img;2", "3;Img;3"},
                   FileKind::Kvd, 1,
                   kvdHead("3 objects x 1 measurements") + Lines{"Objects originating from Img", Separator}},
        ReportCase{"tallyCountsOnlyTheExactSpellingOfTheFirstText",
                   {"Id;Src;Area", "1;Img;1", "2;img;2", "3;Img;3", "4;other;4"}, FileKind::Kvd, 1,
                   kvdHead("4 objects x 1 measurements")
                       + Lines{"Objects originating from 2 sources:", " - Img (2 objects)", " - other (1 object)",
                               Separator}},
        ReportCase{"wumSourcesAreTheLastColumn", {"Id\tArea\tSrc", "1\t2\tb", "2\t3\ta", "3\t3\tB"}, FileKind::Wum, 1,
                   {"This WUM file contains:", "3 objects x 1 measurements", Separator,
                    "Objects originating from 2 sources:", " - a (1 object)", " - b (1 object)", Separator}},
        ReportCase{"learningFileWithTwoSourcesAndTwoGroups",
                   {"Id;Src;Area;Group;Status", "1;s1;1;cop;Learning", "2;s2;1;dia;Test", "3;s1;1;cop;Test"},
                   FileKind::Learning, 1,
                   {"This LEARNING file contains:", "3 objects x 1 measurements", Separator,
                    "Objects originating from 2 sources:", " - s1 (2 objects)", " - s2 (1 object)", Separator,
                    "This LEARNING File contains objects with Status = Test (2/3)", Separator,
                    "Objects sorted into 2 groups:", " - cop (2 objects)", " - dia (1 object)", Separator}},
        ReportCase{"statusesInOtherSpellingsAreKnownButTestCountsOnlyExactTest",
                   {"Id;Src;Area;Group;Status", "1;s;1;g;learning", "2;s;1;g;TEST", "3;s;1;g;TEST"},
                   FileKind::Learning, 1,
                   {"This LEARNING file contains:", "3 objects x 1 measurements", Separator,
                    "Objects originating from s", Separator,
                    "This LEARNING File contains objects with Status = Test (0/3)", Separator,
                    "Objects sorted into 1 groups:", " - g (3 objects)", Separator}},
        ReportCase{"unknownStatusesAreCountedAndTallied",
                   {"Id;Src;Area;Group;Status", "1;s;1;g;Learning", "2;s;1;g;Valid", "3;s;1;g;maybe",
                    "4;s;1;g;valid"},
                   FileKind::Learning, 1,
                   {"This LEARNING file contains:", "4 objects x 1 measurements", Separator,
                    "Objects originating from s", Separator, "WARNING : This file contains 2 unknown status :",
                    " - maybe (1 object)", " - Valid (1 object)", Separator, "Objects sorted into 1 groups:",
                    " - g (4 objects)", Separator}},
        ReportCase{"learningFromWumTakesSourcesFromTheStatusColumn",
                   {"Id;FIT_A;Group;Status", "1;1;g;Learning", "2;1;g;Test"}, FileKind::LearningFromWum, 1,
                   {"This LEARNING FROM WUM file contains:", "2 objects x 1 measurements", Separator,
                    "Objects originating from 2 sources:", " - Learning (1 object)", " - Test (1 object)", Separator,
                    "This LEARNING File contains objects with Status = Test (1/2)", Separator,
                    "Objects sorted into 1 groups:", " - g (2 objects)", Separator}},
        ReportCase{"kvdWithoutObjectsHasNoSource", {"Id;Src;Area"}, FileKind::Kvd, 0,
                   kvdHead("0 objects x 0 measurements") + Lines{"Objects originating from no source", Separator}},
        ReportCase{"learningWithoutObjectsHasNoSourceAndNoGroup", {"Id;Src;Area;Group;Status"}, FileKind::Learning, 0,
                   {"This LEARNING file contains:", "0 objects x 0 measurements", Separator,
                    "Objects originating from no source", Separator, "Objects sorted into 0 groups:", Separator}},
        // The second row has no source: its empty source is a value of its own.
        ReportCase{"shortRowsReadAsEmptyCells", {"Id;Src;Area", "1;s;1", "2", "3;s;2"}, FileKind::Kvd, 1,
                   kvdHead("3 objects x 1 measurements")
                       + Lines{"Objects originating from 2 sources:", " -  (1 object)", " - s (2 objects)",
                               Separator}}),
    [](const testing::TestParamInfo<ReportCase>& paramInfo) { return std::string(paramInfo.param.name); });

using K = ReportLineKind;
using TargetedLines = std::vector<std::pair<std::string, ReportLineTarget>>;

// Each line of the report of `tableLines` and the rows it names.
void expectTargets(const Lines& tableLines, FileKind kind, const TargetedLines& expected)
{
    const DataTable table = test::makeTable(tableLines, ';');
    SummaryReport summary;
    writeSummaryReport(table, kind, 1, TextEncoding::Utf8, QLocale::c(), summary);
    const ReportLines lines(summary, table);
    ASSERT_EQ(lines.count(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(lines.line(index), expected[index].first);
        const ReportLineTarget target = lines.target(index);
        EXPECT_EQ(target.kind, expected[index].second.kind);
        EXPECT_EQ(target.row, expected[index].second.row);
        EXPECT_EQ(target.column, expected[index].second.column);
    }
}

TEST(SummaryReport, everyLineNamesTheRowsItSpeaksOf)
{
    expectTargets({"Id;Src;Area;Group;Status", "1;s1;1;cop;Learning", "1;S1;2;dia;Test", "2;s2;3;cop;odd",
                   "3;s2;4;cop;Test"},
                  FileKind::Learning,
                  {
                      {"This LEARNING file contains:", {}},
                      {"4 objects x 1 measurements", {}},
                      {Separator, {}},
                      {"WARNING: Object 1 of S1 in duplicate ! (dia)", {K::Duplicate, 2, 0}},
                      {Separator, {}},
                      {"Objects originating from 2 sources:", {}},
                      {" - s1 (1 object)", {K::Source, 1, 1}},
                      {" - s2 (2 objects)", {K::Source, 3, 1}},
                      {Separator, {}},
                      {"This LEARNING File contains objects with Status = Test (2/4)", {K::TestStatus, -1, 4}},
                      {Separator, {}},
                      {"WARNING : This file contains 1 unknown status :", {}},
                      {" - odd (1 object)", {K::Status, 3, 4}},
                      {Separator, {}},
                      {"Objects sorted into 2 groups:", {}},
                      {" - cop (3 objects)", {K::Group, 1, 3}},
                      {" - dia (1 object)", {K::Group, 2, 3}},
                      {Separator, {}},
                  });
}

// The one source's line names its rows too, from the first one on.
TEST(SummaryReport, singleSourceLineNamesTheRowsOfItsSource)
{
    expectTargets({"Id;Src;Area", "1;Img;1", "1;img;2", "2;Img;3"}, FileKind::Kvd,
                  {
                      {"This KVD file contains:", {}},
                      {"3 objects x 1 measurements", {}},
                      {Separator, {}},
                      {"WARNING: Object 1 of img in duplicate !", {K::Duplicate, 2, 0}},
                      {Separator, {}},
                      {"Objects originating from Img", {K::Source, 1, 1}},
                      {Separator, {}},
                  });
}

TEST(SummaryReport, reportStoppedByAnErrorShowsTheStepsDone)
{
    const DataTable table = test::makeTable({"Id;Src;Area", "1;s1;1", "1;s1;2"}, ';');
    SummaryReport summary;
    writeSummaryReport(table, FileKind::Kvd, 1, TextEncoding::Utf8, QLocale::c(), summary);
    summary.done = SummaryReport::Step::Duplicates; // as if the sources step had failed
    const ReportLines lines(summary, table);
    ASSERT_EQ(lines.count(), 5u);
    EXPECT_EQ(lines.line(3), "WARNING: Object 1 of s1 in duplicate !");
    EXPECT_EQ(lines.line(4), Separator);
}

TEST(SummaryReport, learningTableWithoutGroupColumnIsAnError)
{
    try {
        report({"Status", "Learning"}, FileKind::LearningFromWum);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("group column"), std::string::npos) << error.what();
    }
}

struct CollationCase {
    const char* name;
    QLocale locale;
    TextEncoding encoding;
    Lines sources;       // cells of the source column, in row order
    Lines talliesInOrder; // the tally lines expected
};

void PrintTo(const CollationCase& c, std::ostream* out)
{
    *out << c.name;
}

class SourceCollation : public testing::TestWithParam<CollationCase> {};

TEST_P(SourceCollation, mergesAndOrdersSourcesByTheLocale)
{
    const CollationCase& c = GetParam();
    Lines tableLines = {"Id;Src;Area"};
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        tableLines.push_back(std::to_string(i) + ";" + c.sources[i] + ";1");
    const Lines lines = report(tableLines, FileKind::Kvd, 1, c.encoding, c.locale);
    const Lines tallies(lines.begin() + 4, lines.end() - 1);
    EXPECT_EQ(tallies, c.talliesInOrder);
}

const std::string EAcuteUtf8 = "\xC3\xA9";      // é
const std::string CapitalEAcuteUtf8 = "\xC3\x89"; // É
const std::string FullwidthAUtf8 = "\xEF\xBC\xA1"; // Ａ

INSTANTIATE_TEST_SUITE_P(
    Locales, SourceCollation,
    testing::Values(
        CollationCase{"cLocaleOrdersIgnoringCase", QLocale::c(), TextEncoding::Utf8,
                      {"b", "A", "a", "C"},
                      {" - A (1 object)", " - b (1 object)", " - C (1 object)"}},
        CollationCase{"frenchAccentedLettersSortBesideTheirBase", QLocale(QLocale::French, QLocale::France),
                      TextEncoding::Utf8, {"f", EAcuteUtf8 + "t", "e", "z"},
                      {" - e (1 object)", " - " + EAcuteUtf8 + "t (1 object)", " - f (1 object)", " - z (1 object)"}},
        CollationCase{"cLocaleOrdersAccentedLettersByCodePoint", QLocale::c(), TextEncoding::Utf8,
                      {"f", EAcuteUtf8 + "t", "e", "z"},
                      {" - e (1 object)", " - f (1 object)", " - z (1 object)", " - " + EAcuteUtf8 + "t (1 object)"}},
        CollationCase{"accentedCapitalIsTheSameSourceInUtf8", QLocale(QLocale::French, QLocale::France),
                      TextEncoding::Utf8, {CapitalEAcuteUtf8 + "vry", EAcuteUtf8 + "vry", "Paris"},
                      {" - " + CapitalEAcuteUtf8 + "vry (1 object)", " - Paris (1 object)"}},
        CollationCase{"accentedCapitalIsTheSameSourceInWindows1252", QLocale(QLocale::French, QLocale::France),
                      TextEncoding::Windows1252, {"\xC9vry", "\xE9vry", "Paris"},
                      {" - \xC9vry (1 object)", " - Paris (1 object)"}},
        CollationCase{"accentMakesAnotherSource", QLocale(QLocale::French, QLocale::France),
                      TextEncoding::Windows1252, {"\xE9t\xE9", "ete", "Ete"},
                      {" - ete (1 object)", " - \xE9t\xE9 (1 object)"}},
        CollationCase{"fullwidthLetterMatchesAnEarlierAsciiSource", QLocale(QLocale::English, QLocale::UnitedStates),
                      TextEncoding::Utf8, {"a", "b", FullwidthAUtf8, "A"},
                      {" - a (1 object)", " - b (1 object)"}},
        CollationCase{"asciiSourceMatchesAnEarlierFullwidthOne", QLocale(QLocale::English, QLocale::UnitedStates),
                      TextEncoding::Utf8, {FullwidthAUtf8, "b", "a", FullwidthAUtf8},
                      {" - " + FullwidthAUtf8 + " (2 objects)", " - b (1 object)"}}),
    [](const testing::TestParamInfo<CollationCase>& paramInfo) { return std::string(paramInfo.param.name); });

} // namespace
} // namespace kvd
