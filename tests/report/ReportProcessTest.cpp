#include "ReportProcess.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <fstream>
#include <string>

namespace {

using kvdtest::example;
using kvdtest::fixture;
using kvdtest::ProcessResult;
using kvdtest::runReport;
using kvdtest::runReportInShell;

const std::string Separator = "------------------------------------------------\n";

std::string learningReport(const std::string& sourceTallies)
{
    return "This LEARNING file contains:\n"
           "4 objects x 2 measurements\n"
           + Separator + "WARNING: Object 3 of E in duplicate ! (dia)\n" + Separator
           + "Objects originating from 3 sources:\n" + sourceTallies + Separator
           + "This LEARNING File contains objects with Status = Test (2/4)\n" + Separator
           + "Objects sorted into 2 groups:\n - cop (2 objects)\n - dia (2 objects)\n" + Separator
           + "\nMeasurements Statistics :\n"
             "Name\tMean\tStd_Err\tMin\tMax\n"
             "Area\t3.50\t0.91\t1.50\t5.50\n"
             "Perimeter\t25.00\t6.45\t10.00\t40.00\n";
}

TEST(KvdReport, printsReportAndStatisticsInTheCLocale)
{
    const ProcessResult run = runReport({fixture("learning_with_accented_sources.txt")}, QStringLiteral("C"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // The C locale orders by code point, ignoring case: "ét" comes last.
    EXPECT_EQ(run.out, learningReport(" - e (1 object)\n - f (1 object)\n - \xC3\xA9t (1 object)\n"));
}

TEST(KvdReport, frenchLocaleKeepsPointsAndOrdersAccentsBesideTheirLetter)
{
    const ProcessResult run = runReport({fixture("learning_with_accented_sources.txt")}, QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, learningReport(" - e (1 object)\n - \xC3\xA9t (1 object)\n - f (1 object)\n"));
}

TEST(KvdReport, windows1252FileIsPrintedAsUtf8AndWarningsGoToStandardError)
{
    const ProcessResult run = runReport({fixture("windows1252_invalid_value.kvd")}, QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "WARNING: \"P\xC3\xA9rim\xC3\xA8tre\" contains invalid value(s)\n");
    EXPECT_EQ(run.out, "This KVD file contains:\n"
                       "2 objects x 2 measurements\n"
                       + Separator + "Objects originating from \xC3\xA9t\xC3\xA9\n" + Separator
                       + "\nMeasurements Statistics :\n"
                         "Name\tMean\tStd_Err\tMin\tMax\n"
                         "Aire\xC3\xA9\t1.50\t0.50\t1.00\t2.00\n"
                         "P\xC3\xA9rim\xC3\xA8tre\t\t\t\t\n");
}

struct FailureCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    std::string errorText; // a text standard error must hold
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class KvdReportFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(KvdReportFailure, exitsWithItsCodeAndMessage)
{
    const FailureCase& c = GetParam();
    const ProcessResult run = runReport(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_NE(run.err.find(c.errorText), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KvdReportFailure,
    testing::Values(
        FailureCase{"unrecognisedFile", {fixture("lowercase_first_line.kvd")}, 1, "Unknow file format\n"},
        FailureCase{"loadError", {fixture("no_data_line.kvd")}, 1,
                    "Le nombre de lignes fixes doit \xC3\xAAtre inf\xC3\xA9rieur au nombre de lignes\n"},
        FailureCase{"missingFile", {fixture("no_such_file.kvd")}, 1, "names no file"},
        FailureCase{"noArgument", {}, 2, "Usage: kvdreport"},
        FailureCase{"unknownOption", {QStringLiteral("--frobnicate"), fixture("no_data_line.kvd")}, 2,
                    "Usage: kvdreport"},
        // Usage errors come before any output, JSON included.
        FailureCase{"unknownOptionWithJson",
                    {QStringLiteral("--format=json"), QStringLiteral("--frobnicate"), fixture("no_data_line.kvd")}, 2,
                    "Usage: kvdreport"},
        FailureCase{"unknownFormat", {QStringLiteral("--format=xml"), fixture("no_data_line.kvd")}, 2,
                    "unknown format"},
        FailureCase{"checkWithFormat", {QStringLiteral("--check"), QStringLiteral("--format=tsv"),
                    fixture("no_data_line.kvd")}, 2, "Usage: kvdreport"},
        FailureCase{"zeroJobs", {QStringLiteral("-j"), QStringLiteral("0"), fixture("no_data_line.kvd")}, 2,
                    "Usage: kvdreport"}),
    [](const testing::TestParamInfo<FailureCase>& paramInfo) { return std::string(paramInfo.param.name); });


// The file name reaches the file system as the bytes the shell passed, also when
// they are not valid UTF-8; the message may show them as it can.
TEST(KvdReport, opensAFileWhoseNameIsNotValidUtf8)
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/lat\xe9\xff.kvd";
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const std::string bytes = "KVD\r\n[Data]\r\nId;Src;Area\r\na;s;1\r\n";
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);

    const ProcessResult run =
        runReportInShell(QStringLiteral("exec \"$0\" \"$(printf '%s/lat\\351\\377.kvd' \"$1\")\""), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("1 objects x 1 measurements"), std::string::npos) << run.out;
}

// The error of the write that failed is reported, not whatever errno held later.
TEST(KvdReport, reportsTheErrorOfTheFailedWrite)
{
    const QString file = fixture("learning_with_accented_sources.txt");
    const ProcessResult closed = runReportInShell(QStringLiteral("exec \"$0\" \"$1\" >&-"), file);
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_EQ(closed.err, "kvdreport: cannot write the report: Erreur E/S " + std::to_string(EBADF) + "\n");
    const ProcessResult full = runReportInShell(QStringLiteral("exec \"$0\" \"$1\" > /dev/full"), file);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "kvdreport: cannot write the report: Disque plein\n");
}


const QStringList Examples = {example("diatom_training.kvd"), example("leaf_survey.kvd"),
                              example("plankton_station.wum"), example("zooscan_training.kvd")};

// Several files give each file's own report in argument order, a failed one only its
// message, whatever the number of jobs: the reference is one run per file.
TEST(KvdReportSeveralFiles, matchTheirSingleReportsInArgumentOrderWhateverTheJobs)
{
    const QStringList files = {Examples[0], fixture("no_data_line.kvd"), Examples[1], Examples[2],
                               fixture("no_such_file.kvd"), Examples[3], fixture("windows1252_invalid_value.kvd"),
                               Examples[0]};
    std::string expectedOut;
    std::string expectedErr;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ProcessResult single = runReport({files[i]});
        expectedOut += (i > 0 ? "\n==> " : "==> ") + files[i].toStdString() + " <==\n" + single.out;
        if (!single.err.empty() && single.err.find("names no file") == std::string::npos)
            expectedErr += files[i].toStdString() + ": ";
        expectedErr += single.err;
    }
    for (const char* jobs : {"1", "3", "16"}) {
        const ProcessResult run = runReport(QStringList{QStringLiteral("-j"), QString::fromLatin1(jobs)} + files);
        EXPECT_EQ(run.exitCode, 1) << jobs;
        EXPECT_EQ(run.out, expectedOut) << jobs;
        EXPECT_EQ(run.err, expectedErr) << jobs;
    }
}

// The TSV grid is the text report's grid, for one file and, behind a File column,
// for several.
TEST(KvdReportTsv, isTheStatisticsGridOfTheTextReport)
{
    std::string expectedSeveral = "File\tName\tMean\tStd_Err\tMin\tMax\n";
    for (const QString& file : Examples) {
        const std::string text = runReport({file}).out;
        const std::string grid = text.substr(text.find("Measurements Statistics :\n") + 26);
        const ProcessResult tsv = runReport({QStringLiteral("--format=tsv"), file});
        EXPECT_EQ(tsv.exitCode, 0);
        EXPECT_EQ(tsv.out, grid);
        for (std::size_t line = grid.find('\n') + 1; line < grid.size(); line = grid.find('\n', line) + 1)
            expectedSeveral += file.toStdString() + "\t" + grid.substr(line, grid.find('\n', line) + 1 - line);
    }
    const ProcessResult several = runReport(QStringList{QStringLiteral("--format=tsv")} + Examples);
    EXPECT_EQ(several.exitCode, 0);
    EXPECT_EQ(several.out, expectedSeveral);
}

QJsonDocument parsedJson(const std::string& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document;
}

TEST(KvdReportJson, failedFilesBecomeErrorObjectsOfACompleteDocument)
{
    const ProcessResult single = runReport({QStringLiteral("--format=json"), fixture("no_such_file.kvd")});
    EXPECT_EQ(single.exitCode, 1);
    EXPECT_NE(single.err.find("names no file"), std::string::npos);
    EXPECT_EQ(parsedJson(single.out).object().value(QLatin1String("error")).toString(), QStringLiteral("no such file"));

    const ProcessResult several = runReport({QStringLiteral("--format=json"), fixture("lowercase_first_line.kvd"),
                                             fixture("windows1252_invalid_value.kvd")},
                                            QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(several.exitCode, 1);
    const QJsonArray files = parsedJson(several.out).array();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].toObject().value(QLatin1String("error")).toString(), QStringLiteral("Unknow file format"));
    const QJsonObject loaded = files[1].toObject();
    EXPECT_FALSE(loaded.contains(QLatin1String("error")));
    EXPECT_EQ(loaded.value(QLatin1String("warnings")).toArray().at(0).toString(),
              QString::fromUtf8("WARNING: \"P\xC3\xA9rim\xC3\xA8tre\" contains invalid value(s)"));
}

// The check lines of a learning file with every kind of problem, counted in the file's
// lines (CR LF line ends): an invalid value in two columns, a duplicate differing in
// letter case only, and statuses other than Learning and Test in any spelling.
TEST(KvdReportCheck, listsEveryProblemWithItsLine)
{
    const QString problems = fixture("learning_with_problems.txt");
    const std::string name = problems.toStdString();
    const ProcessResult run = runReport({QStringLiteral("--check"), problems});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, name + ":4: value \"x\" of measurement \"Perim\" is not a number\n"
                     + name + ":6: object \"1\" of source \"A\" is a duplicate of an earlier line\n"
                     + name + ":6: status \"Valid\" is neither \"Learning\" nor \"Test\"\n"
                     + name + ":7: value \"\" of measurement \"Area\" is not a number\n"
                     + name + ":8: status \"valid\" is neither \"Learning\" nor \"Test\"\n");

    const QString noMeasurement = fixture("kvd_without_measurement.kvd");
    const ProcessResult none = runReport({QStringLiteral("--check"), noMeasurement});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_EQ(none.out, noMeasurement.toStdString()
                            + ":4: no measurement: the first object line holds no number past the identifiers\n");

    // A problem line longer than a whole output batch goes out whole, and the next one.
    QTemporaryDir dir;
    const std::string wide = dir.filePath(QStringLiteral("wide.kvd")).toStdString();
    const std::string value(70000, 'x');
    std::ofstream(wide, std::ios::binary) << "KVD\r\n[Data]\r\nId;Src;A\r\no;s;1\r\np;s;" << value << "\r\nq;s;y\r\n";
    const ProcessResult wideRun = runReport({QStringLiteral("--check"), QString::fromStdString(wide)});
    EXPECT_EQ(wideRun.exitCode, 3) << wideRun.err;
    EXPECT_EQ(wideRun.out, wide + ":5: value \"" + value + "\" of measurement \"A\" is not a number\n" + wide
                               + ":6: value \"y\" of measurement \"A\" is not a number\n");
}

TEST(KvdReportCheck, exitStatusIsCleanProblemsOrUnreadableWhicheverIsWorst)
{
    const QString clean = Examples[3];
    const QString problems = fixture("learning_with_problems.txt");
    const QString unreadable = fixture("no_data_line.kvd");
    const auto check = [](const QStringList& files) {
        return runReport(QStringList{QStringLiteral("--check")} + files);
    };

    const ProcessResult cleanRun = check({clean, Examples[2]});
    EXPECT_EQ(cleanRun.exitCode, 0);
    EXPECT_EQ(cleanRun.out, "");
    EXPECT_EQ(check({clean, problems}).exitCode, 3);
    const ProcessResult worst = check({unreadable, problems, clean});
    EXPECT_EQ(worst.exitCode, 1);
    EXPECT_EQ(worst.err, unreadable.toStdString()
                             + ": Le nombre de lignes fixes doit \xC3\xAAtre inf\xC3\xA9rieur au nombre de lignes\n");
    EXPECT_NE(worst.out.find(problems.toStdString() + ":4: "), std::string::npos);
}

TEST(KvdReport, helpExplainsTheOutput)
{
    const ProcessResult run = runReport({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Measurements Statistics :"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("FILE"), std::string::npos) << run.out;
}


// Groups spelled cop, Cop and COP form one value shown as its first spelling; dia is a
// group of one, whose standard errors are empty (null in JSON).
TEST(KvdReportBy, textAndTsvGiveTheGridOfStatisticsByGroup)
{
    const std::string grid = "Group\tName\tObjects\tMean\tStd_Err\tMin\tMax\n"
                             "cop\tArea\t3\t3.17\t1.20\t1.50\t5.50\n"
                             "cop\tPerimeter\t3\t23.33\t8.82\t10.00\t40.00\n"
                             "dia\tArea\t1\t4.50\t\t4.50\t4.50\n"
                             "dia\tPerimeter\t1\t30.00\t\t30.00\t30.00\n";
    const QString file = fixture("groups_spelled_in_several_cases.txt");
    const ProcessResult text = runReport({QStringLiteral("--by=group"), file}, QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(text.exitCode, 0) << text.err;
    const std::string plain = runReport({file}, QStringLiteral("fr_FR.UTF-8")).out;
    EXPECT_EQ(text.out, plain + "\nStatistics by Group :\n" + grid);
    const ProcessResult tsv = runReport({QStringLiteral("--format=tsv"), QStringLiteral("--by=group"), file});
    EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
    EXPECT_EQ(tsv.out, grid);
    const ProcessResult statuses = runReport({QStringLiteral("--format=tsv"), QStringLiteral("--by=status"), file});
    EXPECT_EQ(statuses.out.substr(0, statuses.out.find('\n', statuses.out.find('\n') + 1) + 1),
              "Status\tName\tObjects\tMean\tStd_Err\tMin\tMax\nLearning\tArea\t2\t3.50\t2.00\t1.50\t5.50\n");
}

TEST(KvdReportBy, jsonHoldsTheFiguresInFullPrecisionAndNullWhereEmpty)
{
    const ProcessResult run = runReport({QStringLiteral("--format=json"), QStringLiteral("--by=group"),
                                         fixture("groups_spelled_in_several_cases.txt")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject by = parsedJson(run.out).object().value(QLatin1String("by")).toObject();
    EXPECT_EQ(by.value(QLatin1String("key")).toString(), QStringLiteral("group"));
    const QJsonArray entries = by.value(QLatin1String("entries")).toArray();
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject cop = entries[0].toObject();
    EXPECT_EQ(cop.value(QLatin1String("value")).toString(), QStringLiteral("cop"));
    EXPECT_EQ(cop.value(QLatin1String("objects")).toInt(), 3);
    const QJsonObject area = cop.value(QLatin1String("statistics")).toArray()[0].toObject();
    EXPECT_EQ(area.value(QLatin1String("name")).toString(), QStringLiteral("Area"));
    EXPECT_EQ(area.value(QLatin1String("n")).toInt(), 3);
    EXPECT_EQ(area.value(QLatin1String("mean")).toDouble(), 9.5 / 3);
    EXPECT_DOUBLE_EQ(area.value(QLatin1String("stdErr")).toDouble(), std::sqrt((26.0 / 6) / 3));
    const QJsonObject dia = entries[1].toObject().value(QLatin1String("statistics")).toArray()[1].toObject();
    EXPECT_TRUE(dia.value(QLatin1String("stdErr")).isNull());
    EXPECT_EQ(dia.value(QLatin1String("max")).toDouble(), 30.0);
}

TEST(KvdReportBy, aKindWithoutTheColumnFailsThatFileAndUsageErrorsComeFirst)
{
    const ProcessResult kvd = runReport({QStringLiteral("--format=json"), QStringLiteral("--by=group"),
                                         fixture("windows1252_invalid_value.kvd")});
    EXPECT_EQ(kvd.exitCode, 1);
    EXPECT_NE(kvd.err.find("no group column"), std::string::npos) << kvd.err;
    EXPECT_TRUE(parsedJson(kvd.out).object().value(QLatin1String("by")).isNull());
    const QString file = fixture("groups_spelled_in_several_cases.txt");
    for (const QStringList& arguments : {QStringList{QStringLiteral("--check"), QStringLiteral("--by=source"), file},
                                         QStringList{QStringLiteral("--by=object"), file}}) {
        const ProcessResult usage = runReport(arguments);
        EXPECT_EQ(usage.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_NE(usage.err.find("Usage: kvdreport"), std::string::npos);
        EXPECT_EQ(usage.out, "");
    }
}

} // namespace
