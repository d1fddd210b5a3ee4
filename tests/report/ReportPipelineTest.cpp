// kvdreport as pipelines use it: JSON lines, -H, standard input and lists of files,
// a pinned locale, error codes and output that comes as each file is done. Every test
// runs the real program.

#include "ReportProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using kvdtest::example;
using kvdtest::fixture;
using kvdtest::ProcessResult;
using kvdtest::runReport;

const QString Accented = fixture("learning_with_accented_sources.txt");

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

QJsonObject objectOf(const std::string& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(document.isObject()) << line;
    return document.object();
}

std::vector<QJsonObject> jsonLines(const std::string& text)
{
    std::vector<QJsonObject> objects;
    for (const std::string& line : linesOf(text))
        objects.push_back(objectOf(line));
    return objects;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The figures of a column of numbers, computed plainly: the mean, the sample standard
// deviation around it over the square root of n, the extremes.
QJsonObject plainFigures(const QString& name, const std::vector<double>& values, const QStringList& shown)
{
    double sum = 0;
    for (const double value : values)
        sum += value;
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (const double value : values)
        squares += (value - mean) * (value - mean);
    const double n = static_cast<double>(values.size());
    return QJsonObject{{"name", name},
                       {"values", "numbers"},
                       {"n", static_cast<qint64>(values.size())},
                       {"mean", mean},
                       {"stdErr", std::sqrt(squares / (n - 1)) / std::sqrt(n)},
                       {"min", *std::min_element(values.begin(), values.end())},
                       {"max", *std::max_element(values.begin(), values.end())},
                       {"shown", QJsonObject{{"mean", shown[0]}, {"stdErr", shown[1]}, {"min", shown[2]}, {"max", shown[3]}}}};
}

// learning_with_accented_sources.txt read by hand: its sources in the order `sources`
// gives ({spelling, line}), each met once.
QJsonObject accentedReference(const std::vector<std::pair<QString, int>>& sources)
{
    QJsonArray sourceTallies;
    for (const auto& [value, line] : sources)
        sourceTallies.append(QJsonObject{{"value", value}, {"count", 1}, {"line", line}});
    return QJsonObject{
        {"file", Accented},
        {"kind", "LEARNING"},
        {"objects", 4},
        {"measurements", 2},
        {"duplicates", QJsonArray{QJsonObject{{"object", "3"}, {"source", "E"}, {"count", 2}, {"lines", QJsonArray{6}}}}},
        {"sources", sourceTallies},
        {"statuses", QJsonObject{{"test", 2}, {"unknown", QJsonArray{}}}},
        {"groups", QJsonArray{QJsonObject{{"value", "cop"}, {"count", 2}, {"line", 3}},
                              QJsonObject{{"value", "dia"}, {"count", 2}, {"line", 5}}}},
        {"statistics", QJsonArray{plainFigures("Area", {1.5, 2.5, 4.5, 5.5}, {"3.50", "0.91", "1.50", "5.50"}),
                                  plainFigures("Perimeter", {10, 20, 30, 40}, {"25.00", "6.45", "10.00", "40.00"})}},
        {"warnings", QJsonArray{}}};
}

const std::vector<std::pair<QString, int>> CodePointSources = {{"e", 5}, {"f", 4}, {QString::fromUtf8("\xC3\xA9t"), 3}};
const std::vector<std::pair<QString, int>> FrenchSources = {{"e", 5}, {QString::fromUtf8("\xC3\xA9t"), 3}, {"f", 4}};

// Equal members, the standard errors within rounding of the reference's.
void expectSameReport(QJsonObject actual, QJsonObject expected)
{
    const QJsonArray actualFigures = actual.take(QLatin1String("statistics")).toArray();
    const QJsonArray expectedFigures = expected.take(QLatin1String("statistics")).toArray();
    EXPECT_EQ(actual, expected) << QJsonDocument(actual).toJson().toStdString();
    ASSERT_EQ(actualFigures.size(), expectedFigures.size());
    for (qsizetype i = 0; i < actualFigures.size(); ++i) {
        QJsonObject figures = actualFigures[i].toObject();
        QJsonObject reference = expectedFigures[i].toObject();
        EXPECT_NEAR(figures.take(QLatin1String("stdErr")).toDouble(), reference.take(QLatin1String("stdErr")).toDouble(),
                    1e-12);
        EXPECT_EQ(figures, reference);
    }
}

TEST(KvdReportJsonLines, giveOneObjectALineForNoneOneOrSeveralFiles)
{
    const ProcessResult none = runReport({QStringLiteral("--format=jsonl"), QStringLiteral("--files-from"), QStringLiteral("/dev/null")});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "");
    // JSON gives an empty array: "several" files, none of them.
    EXPECT_EQ(runReport({QStringLiteral("--format=json"), QStringLiteral("--files-from"), QStringLiteral("/dev/null")}).out,
              "[]\n");

    const ProcessResult one = runReport({QStringLiteral("--format=jsonl"), Accented}, QStringLiteral("C"));
    EXPECT_EQ(one.exitCode, 0) << one.err;
    const std::vector<std::string> oneLine = linesOf(one.out);
    ASSERT_EQ(oneLine.size(), 1u);
    expectSameReport(objectOf(oneLine[0]), accentedReference(CodePointSources));

    const QString missing = fixture("no_such_file.kvd");
    const ProcessResult several =
        runReport({QStringLiteral("--format=jsonl"), QStringLiteral("-j"), QStringLiteral("3"), Accented, missing, Accented},
                  QStringLiteral("C"));
    EXPECT_EQ(several.exitCode, 1);
    const std::vector<QJsonObject> lines = jsonLines(several.out);
    ASSERT_EQ(lines.size(), 3u) << several.out;
    expectSameReport(lines[0], accentedReference(CodePointSources));
    EXPECT_EQ(lines[1], (QJsonObject{{"file", missing},
                                     {"error", QJsonObject{{"code", "not-found"}, {"message", "no such file"}}}}));
    expectSameReport(lines[2], accentedReference(CodePointSources));
    EXPECT_EQ(several.err, "kvdreport: \"" + missing.toStdString() + "\" names no file\n");

    // Alone, a file that fails is named in its message as in its line.
    const QString failed = fixture("no_data_line.kvd");
    const ProcessResult alone = runReport({QStringLiteral("--format=jsonl"), failed});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.err.rfind(failed.toStdString() + ": ", 0), 0u) << alone.err;
}

// The --check lines as objects: the same problems, in the same order, with a code each.
TEST(KvdReportJsonLines, checkGivesEachProblemAsAnObjectWithItsCode)
{
    const QString problems = fixture("learning_with_problems.txt");
    const QString missing = fixture("no_such_file.kvd");
    const ProcessResult text = runReport({QStringLiteral("--check"), problems});
    const ProcessResult run = runReport({QStringLiteral("--check"), QStringLiteral("--format=jsonl"), problems, missing});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<QJsonObject> objects = jsonLines(run.out);
    const std::vector<std::string> textLines = linesOf(text.out);
    ASSERT_EQ(objects.size(), textLines.size() + 1) << run.out;
    const std::vector<std::string> codes = {"not-a-number", "duplicate", "unknown-status", "not-a-number",
                                            "unknown-status"};
    ASSERT_EQ(textLines.size(), codes.size());
    for (std::size_t i = 0; i < textLines.size(); ++i) {
        const QJsonObject& problem = objects[i];
        EXPECT_EQ(problem.size(), 4);
        EXPECT_EQ(problem[QLatin1String("code")].toString().toStdString(), codes[i]);
        const std::string asText = problem[QLatin1String("file")].toString().toStdString() + ":"
            + std::to_string(problem[QLatin1String("line")].toInteger()) + ": "
            + problem[QLatin1String("message")].toString().toStdString();
        EXPECT_EQ(asText, textLines[i]);
    }
    EXPECT_EQ(objects.back(), (QJsonObject{{"file", missing}, {"line", QJsonValue::Null}, {"code", "not-found"},
                                           {"message", "no such file"}}));
}

// -H names a lone file as a run of several names each of its files.
TEST(KvdReportWithFileName, namesALoneFileAsSeveralFilesAreNamed)
{
    const QString file = example("leaf_survey.kvd");
    const std::string twice = runReport({file, file}).out;
    const std::string firstOfTwo = twice.substr(0, twice.find("\n==> ", 1));
    for (const char* option : {"-H", "--with-filename"}) {
        const ProcessResult text = runReport({QString::fromLatin1(option), file});
        EXPECT_EQ(text.exitCode, 0);
        EXPECT_EQ(text.out, firstOfTwo) << option;
    }
    const std::string tsvTwice = runReport({QStringLiteral("--format=tsv"), file, file}).out;
    const ProcessResult tsv = runReport({QStringLiteral("--format=tsv"), QStringLiteral("-H"), file});
    EXPECT_EQ(tsv.out + tsv.out.substr(tsv.out.find('\n') + 1), tsvTwice);

    // A file that failed keeps the heading, and its message names it.
    const QString failed = fixture("no_data_line.kvd");
    const ProcessResult failedTsv = runReport({QStringLiteral("--format=tsv"), QStringLiteral("-H"), failed});
    EXPECT_EQ(failedTsv.out, "File\tName\tMean\tStd_Err\tMin\tMax\n");
    EXPECT_EQ(failedTsv.exitCode, 1);
    EXPECT_EQ(failedTsv.err.rfind(failed.toStdString() + ": ", 0), 0u) << failedTsv.err;
}

TEST(KvdReportInput, dashReadsStandardInputUnderItsLabel)
{
    QFile source(Accented);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const std::string fromFile = runReport({Accented}).out;
    EXPECT_EQ(runReport({QStringLiteral("-")}, QStringLiteral("C.UTF-8"), bytes).out, fromFile);

    const ProcessResult unlabelled = runReport({QStringLiteral("--format=jsonl"), QStringLiteral("-")},
                                               QStringLiteral("C"), bytes);
    EXPECT_EQ(objectOf(unlabelled.out)[QLatin1String("file")].toString(), QStringLiteral("-"));
    const ProcessResult labelled = runReport(
        {QStringLiteral("--format=jsonl"), QStringLiteral("--label"), Accented, QStringLiteral("-")}, QStringLiteral("C"),
        bytes);
    EXPECT_EQ(labelled.exitCode, 0) << labelled.err;
    expectSameReport(objectOf(labelled.out), accentedReference(CodePointSources));
}

// Names from a list, one a line or NUL-separated: with -0 any name works, one holding a
// line end included.
TEST(KvdReportInput, filesFromListsNamesByLineOrByNul)
{
    QTemporaryDir dir;
    const QString oddName = dir.filePath(QStringLiteral("two\nlines.txt"));
    ASSERT_TRUE(QFile::copy(Accented, oddName));
    const QString plainName = dir.filePath(QStringLiteral("plain.txt"));
    ASSERT_TRUE(QFile::copy(Accented, plainName));

    const QByteArray nulList = oddName.toUtf8() + '\0' + plainName.toUtf8() + '\0';
    const ProcessResult nul = runReport({QStringLiteral("--format=jsonl"), QStringLiteral("--files-from"),
                                         QStringLiteral("-"), QStringLiteral("-0")},
                                        QStringLiteral("C.UTF-8"), nulList);
    EXPECT_EQ(nul.exitCode, 0) << nul.err;
    const std::vector<QJsonObject> objects = jsonLines(nul.out);
    ASSERT_EQ(objects.size(), 2u) << nul.out;
    EXPECT_EQ(objects[0][QLatin1String("file")].toString(), oddName);
    EXPECT_EQ(objects[0][QLatin1String("objects")].toInt(), 4);
    EXPECT_EQ(objects[1][QLatin1String("file")].toString(), plainName);

    // One a line, from a file, after the arguments; the empty line is no name.
    const QString list = dir.filePath(QStringLiteral("list"));
    QFile listFile(list);
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write(plainName.toUtf8() + "\n\n" + Accented.toUtf8() + "\n");
    listFile.close();
    const ProcessResult byLine = runReport({QStringLiteral("--format=tsv"), QStringLiteral("--files-from"), list, plainName});
    EXPECT_EQ(byLine.exitCode, 0) << byLine.err;
    EXPECT_EQ(byLine.out, runReport({QStringLiteral("--format=tsv"), plainName, plainName, Accented}).out);
}

struct UsageCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    std::string errorText;
};

void PrintTo(const UsageCase& c, std::ostream* out)
{
    *out << c.name;
}

class KvdReportInputUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(KvdReportInputUsage, isRefusedBeforeAnyOutput)
{
    const UsageCase& c = GetParam();
    const ProcessResult run = runReport(c.arguments, QStringLiteral("C.UTF-8"), "x\n");
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_NE(run.err.find(c.errorText), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KvdReportInputUsage,
    testing::Values(
        UsageCase{"standardInputTwice", {"-", "-"}, 2, "read only once"},
        UsageCase{"standardInputAsListAndFile", {"--files-from", "-", "-"}, 2, "both the list of files and a file"},
        UsageCase{"nulWithoutList", {"-0", "-"}, 2, "--files-from, which is missing"},
        UsageCase{"missingList", {"--files-from", "/nonexistent/list"}, 1,
                  "cannot read the list of files \"/nonexistent/list\": "},
        UsageCase{"unknownLocale", {"--locale", "xx_NOWHERE.UTF-8", "-"}, 2, "no locale \"xx_NOWHERE.UTF-8\""},
        UsageCase{"emptyLocale", {"--locale", "", "-"}, 2, "no locale \"\""},
        UsageCase{"checkWithJson", {"--check", "--format=json", "-"}, 2, "no --format but jsonl"}),
    [](const testing::TestParamInfo<UsageCase>& testCase) { return std::string(testCase.param.name); });

// --locale decides the collation and the decimal separator, whatever the environment
// says; the report, the JSON and the check all follow it.
TEST(KvdReportLocale, pinsCollationAndNumbersWhateverTheEnvironment)
{
    const auto jsonUnder = [](const char* option, const char* environment) {
        const ProcessResult run = runReport({QStringLiteral("--format=jsonl"), QStringLiteral("--locale"),
                                             QString::fromLatin1(option), Accented},
                                            QString::fromLatin1(environment));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return objectOf(run.out);
    };
    expectSameReport(jsonUnder("C", "fr_FR.UTF-8"), accentedReference(CodePointSources));
    expectSameReport(jsonUnder("fr_FR.UTF-8", "C"), accentedReference(FrenchSources));
    EXPECT_EQ(runReport({QStringLiteral("--locale"), QStringLiteral("fr_FR.UTF-8"), Accented}, QStringLiteral("C")).out,
              runReport({Accented}, QStringLiteral("fr_FR.UTF-8")).out);

    QTemporaryDir dir;
    const QString commas = dir.filePath(QStringLiteral("commas.kvd"));
    QFile file(commas);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("KVD\r\n[Data]\r\nId;Src;Area\r\na;s;1.5\r\nb;s;2,5\r\n");
    file.close();
    const ProcessResult french = runReport({QStringLiteral("--check"), QStringLiteral("--locale"),
                                            QStringLiteral("fr_FR.UTF-8"), commas}, QStringLiteral("C"));
    EXPECT_EQ(french.exitCode, 0) << french.out;
    EXPECT_EQ(french.out, "");
    const ProcessResult plain = runReport({QStringLiteral("--check"), QStringLiteral("--locale"), QStringLiteral("C"), commas},
                                          QStringLiteral("fr_FR.UTF-8"));
    EXPECT_EQ(plain.exitCode, 3);
    EXPECT_NE(plain.out.find(":5: value \"2,5\" of measurement \"Area\" is not a number"), std::string::npos) << plain.out;
}

TEST(KvdReportVersion, printsNameAndVersion)
{
    for (const char* option : {"--version", "-V"}) {
        const ProcessResult run = runReport({QString::fromLatin1(option)});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "kvdreport " KVD_VERSION "\n");
        EXPECT_EQ(run.err, "");
    }
}

// A Unix socket bound at `path`, closed on leaving.
class BoundSocket {
public:
    explicit BoundSocket(const QByteArray& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        m_bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;
    bool bound() const { return m_bound; }

private:
    int m_fd;
    bool m_bound = false;
};

// Each way a file can fail, with its code in JSON lines and beside the message in JSON.
TEST(KvdReportErrorCodes, nameEveryKindOfFailure)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("s"));
    const BoundSocket socket(QFile::encodeName(socketPath));
    ASSERT_TRUE(socket.bound());
    const QString tooLarge = dir.filePath(QStringLiteral("large.kvd"));
    QFile large(tooLarge);
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize((qint64(4) << 30) + 1)); // sparse
    large.close();
    const std::vector<std::pair<QString, QString>> cases = {
        {fixture("no_such_file.kvd"), "not-found"},
        {dir.path(), "not-a-file"},
        {socketPath, "not-a-file"},
        {fixture("lowercase_first_line.kvd"), "unknown-format"},
        {tooLarge, "too-large"},
        {fixture("no_data_line.kvd"), "no-data"},
        {fixture("data_line_without_separator.kvd"), "bad-data"},
        {QStringLiteral("/proc/self/mem"), "read-error"}, // reading its first page fails with EIO
    };
    QStringList files;
    for (const auto& [file, code] : cases)
        files.append(file);
    const ProcessResult lines = runReport(QStringList{QStringLiteral("--format=jsonl")} + files);
    const ProcessResult json = runReport(QStringList{QStringLiteral("--format=json")} + files);
    EXPECT_EQ(lines.exitCode, 1);
    const std::vector<QJsonObject> objects = jsonLines(lines.out);
    const QJsonArray array = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(objects.size(), cases.size()) << lines.out;
    ASSERT_EQ(array.size(), static_cast<qsizetype>(cases.size())) << json.out;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QJsonObject error = objects[i][QLatin1String("error")].toObject();
        EXPECT_EQ(error[QLatin1String("code")].toString(), cases[i].second) << cases[i].first.toStdString();
        EXPECT_FALSE(error[QLatin1String("message")].toString().isEmpty());
        const QJsonObject inArray = array[static_cast<qsizetype>(i)].toObject();
        EXPECT_EQ(inArray[QLatin1String("code")].toString(), cases[i].second);
        EXPECT_EQ(inArray[QLatin1String("error")].toString(), error[QLatin1String("message")].toString());
    }
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(KvdReportErrorCodes, outOfMemoryHasItsCode)
{
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("huge.kvd"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(3) << 30)); // sparse
    file.close();
    // Under a 1 GB address space, the 3 GiB the file needs cannot be had.
    const ProcessResult run = kvdtest::runReportInShell(
        QStringLiteral("ulimit -v 1000000 && exec \"$0\" --format=jsonl \"$1\""), huge);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(objectOf(run.out)[QLatin1String("error")].toObject()[QLatin1String("code")].toString(),
              QStringLiteral("out-of-memory"));
}
#endif

// The first file's output is out before the second file can be read: a FIFO that no
// one writes into until then.
TEST(KvdReportStreaming, writesEachFileAsSoonAsItIsDone)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    for (const char* format : {"text", "json", "jsonl", "tsv"}) {
        QProcess process;
        process.start(QStringLiteral(KVDREPORT_PATH), {QStringLiteral("--format=") + QString::fromLatin1(format),
                                                       QStringLiteral("-j"), QStringLiteral("1"), Accented,
                                                       QFile::decodeName(fifo)});
        ASSERT_TRUE(process.waitForStarted());
        QByteArray early;
        while (!early.contains("Perimeter") && process.waitForReadyRead(30000))
            early += process.readAllStandardOutput();
        EXPECT_TRUE(early.contains("Perimeter")) << format << ": " << early.toStdString();
        QFile writer(QFile::decodeName(fifo));
        ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
        writer.write(readText(Accented).toUtf8());
        writer.close();
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << format;
    }
}

} // namespace
