#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kvdreport with these arguments under the locale `locale` (LC_ALL).
ProcessResult runReport(const QStringList& arguments, const QString& locale = QStringLiteral("C.UTF-8"))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KVDREPORT_PATH), arguments);
    ProcessResult run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

QString fixture(const char* name)
{
    return QStringLiteral(KVD_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

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
        FailureCase{"noArgument", {}, 2, "Usage: kvdreport FILE"},
        FailureCase{"twoFiles", {fixture("no_data_line.kvd"), fixture("no_data_line.kvd")}, 2, "Usage: kvdreport FILE"},
        FailureCase{"unknownOption", {QStringLiteral("--frobnicate"), fixture("no_data_line.kvd")}, 2,
                    "Usage: kvdreport FILE"}),
    [](const testing::TestParamInfo<FailureCase>& paramInfo) { return std::string(paramInfo.param.name); });

// Runs a shell command line with kvdreport as $0 and `argument` as $1.
ProcessResult runReportInShell(const QString& commandLine, const QString& argument)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("sh"), {"-c", commandLine, QStringLiteral(KVDREPORT_PATH), argument});
    ProcessResult run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

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

TEST(KvdReport, helpExplainsTheOutput)
{
    const ProcessResult run = runReport({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Measurements Statistics :"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("FILE"), std::string::npos) << run.out;
}

} // namespace
