#include "report/ReportCommand.h"

#include "common/Errors.h"
#include "report/FileList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace kvd {

namespace {

const char* const UsageLine =
    "Usage: kvdreport [--format=text|json|jsonl|tsv [--by=source|group|status] | --check] [-H] [-j N]\n"
    "                 [--locale NAME]"
    "                 [--files-from LIST [-0]] [--label NAME] [FILE...]   (kvdreport --help for more)";

// A wrong command line, reported with the usage line.
struct UsageProblem {
    QString text;
};

void printError(const std::string& utf8Text)
{
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
}

QString description()
{
    return QStringLiteral(
        "Loads data files (.kvd, .wum or learning files) as KVD Viewer does and prints their summaries.\n"
        "By default, for each file: the report lines, an empty line, \"Measurements Statistics :\" and\n"
        "the statistics grid, one row a line, cells separated by TAB, in UTF-8; with several files (or\n"
        "-H), a line \"==> FILE <==\" before each and an empty line between them.\n"
        "The FILE \"-\" is standard input. Warnings and errors go to standard error (prefixed by the\n"
        "file's name when several files are given). Files are read in parallel and printed in argument\n"
        "order, each as soon as it is complete; a file that cannot be loaded does not stop the others.\n"
        "Exit status: 0 when every file was loaded (with or without warnings), 1 when one could not be,\n"
        "2 for wrong usage; with --check, 3 when problems were found (1 still wins).\n"
        "Numbers use the locale's decimal separator to parse and \".\" to print; distinct values are\n"
        "compared under the locale's collation, ignoring letter case. The locale is the user's, or the\n"
        "one --locale names.");
}

// kvdreport's options, in the order --help lists them.
struct ReportOptions {
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("Output format: text (default); json, one object per file (an array for several "
                       "files); jsonl, one compact JSON object per file and per line, whatever the number "
                       "of files, failed files included; tsv, the statistics grid alone with one heading "
                       "line (and a first column File for several files, or -H)."),
        QStringLiteral("text|json|jsonl|tsv"), QStringLiteral("text")};
    QCommandLineOption check{
        QStringLiteral("check"),
        QStringLiteral("Print one \"FILE:LINE: message\" line per problem (duplicate objects, invalid "
                       "measurement values, unknown learning statuses, no measurement) and nothing for a "
                       "clean file; with --format=jsonl, one {file, line, code, message} object a line.")};
    QCommandLineOption by{
        QStringLiteral("by"),
        QStringLiteral("Also give the measurement statistics of each distinct source, group or status "
                       "(groups and statuses: learning files only): objects, mean, standard error, minimum "
                       "and maximum per value and measurement. Text: a grid after the statistics; tsv: that "
                       "grid instead of the statistics; json and jsonl: a member \"by\"."),
        QStringLiteral("source|group|status")};
    QCommandLineOption withFileName{
        {QStringLiteral("H"), QStringLiteral("with-filename")},
        QStringLiteral("Name the file in the output even when it is the only one: the \"==> FILE <==\" "
                       "line of the text, the File column of the TSV.")};
    QCommandLineOption jobs{{QStringLiteral("j"), QStringLiteral("jobs")},
                            QStringLiteral("Read up to N files at once (default: the number of processors)."),
                            QStringLiteral("N")};
    QCommandLineOption filesFrom{
        QStringLiteral("files-from"),
        QStringLiteral("Also report the files named in LIST, one a line (\"-\": standard input)."),
        QStringLiteral("LIST")};
    QCommandLineOption nulSeparated{
        {QStringLiteral("0"), QStringLiteral("null")},
        QStringLiteral("The names of --files-from end with a NUL byte, not a line end (find -print0).")};
    QCommandLineOption label{QStringLiteral("label"),
                             QStringLiteral("The name shown for standard input (default: \"-\")."),
                             QStringLiteral("NAME")};
    QCommandLineOption locale{
        QStringLiteral("locale"),
        QStringLiteral("Read numbers and compare texts under the locale NAME (C, fr_FR.UTF-8...) "
                       "instead of the user's."),
        QStringLiteral("NAME")};
    QCommandLineOption version{{QStringLiteral("V"), QStringLiteral("version")},
                               QStringLiteral("Print the program's name and version, and exit.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Print this help, and exit.")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.addOptions({format, check, by, withFileName, jobs, filesFrom, nulSeparated, label, locale, version, help});
    }
};

// The bytes the shell passed for the file arguments, which the parser gave decoded.
// Decoding does not keep bytes that the locale's encoding cannot read (a name that is
// not valid UTF-8), and the file system needs them unchanged.
std::vector<std::string> argumentBytes(int argc, char* argv[], const QStringList& words)
{
    std::vector<std::string> bytes;
    int next = 1;
    for (const QString& word : words) {
        int i = next;
        while (i < argc && QFile::decodeName(argv[i]) != word)
            ++i;
        if (i < argc) {
            bytes.emplace_back(argv[i]);
            next = i + 1;
        } else {
            bytes.push_back(QFile::encodeName(word).toStdString());
        }
    }
    return bytes;
}

ReportFormat formatOf(const QCommandLineParser& parser, const ReportOptions& options)
{
    const QString format = parser.value(options.format);
    const bool jsonLines = format == QLatin1String("jsonl");
    if (parser.isSet(options.check)) {
        if (parser.isSet(options.format) && !jsonLines)
            throw UsageProblem{QStringLiteral("--check prints its own lines and takes no --format but jsonl")};
        return jsonLines ? ReportFormat::CheckJsonLines : ReportFormat::Check;
    }
    if (format == QLatin1String("text"))
        return ReportFormat::Text;
    if (format == QLatin1String("json"))
        return ReportFormat::Json;
    if (jsonLines)
        return ReportFormat::JsonLines;
    if (format == QLatin1String("tsv"))
        return ReportFormat::Tsv;
    throw UsageProblem{QStringLiteral("unknown format \"%1\"").arg(format)};
}

std::optional<ValueColumn> byOf(const QCommandLineParser& parser, const ReportOptions& options, ReportFormat format)
{
    if (!parser.isSet(options.by))
        return std::nullopt;
    if (format == ReportFormat::Check || format == ReportFormat::CheckJsonLines)
        throw UsageProblem{QStringLiteral("--check prints problems only and takes no --by")};
    const QString by = parser.value(options.by);
    if (by == QLatin1String("source"))
        return ValueColumn::Source;
    if (by == QLatin1String("group"))
        return ValueColumn::Group;
    if (by == QLatin1String("status"))
        return ValueColumn::Status;
    throw UsageProblem{QStringLiteral("--by takes source, group or status, not \"%1\"").arg(by)};
}

int jobsOf(const QCommandLineParser& parser, const ReportOptions& options)
{
    if (!parser.isSet(options.jobs))
        return QThread::idealThreadCount();
    bool number = false;
    const int jobs = parser.value(options.jobs).toInt(&number);
    if (!number || jobs < 1)
        throw UsageProblem{
            QStringLiteral("-j needs a whole number of jobs from 1 on, not \"%1\"").arg(parser.value(options.jobs))};
    return jobs;
}

ReportLocale localeOf(const QCommandLineParser& parser, const ReportOptions& options)
{
    if (!parser.isSet(options.locale))
        return userReportLocale();
    const QString name = parser.value(options.locale);
    const std::optional<ReportLocale> locale = pinReportLocale(name.toStdString());
    if (!locale)
        throw UsageProblem{QStringLiteral("no locale \"%1\" on this system (locale -a lists them)").arg(name)};
    return *locale;
}

// The arguments, then the names --files-from lists. Throws IoError when the list
// cannot be read.
std::vector<std::string> filesOf(int argc, char* argv[], const QCommandLineParser& parser,
                                 const ReportOptions& options)
{
    const bool nulSeparated = parser.isSet(options.nulSeparated);
    if (nulSeparated && !parser.isSet(options.filesFrom))
        throw UsageProblem{QStringLiteral("-0 separates the names of --files-from, which is missing")};
    std::vector<std::string> files = argumentBytes(argc, argv, parser.positionalArguments());
    if (parser.isSet(options.filesFrom)) {
        const std::string listName = QFile::encodeName(parser.value(options.filesFrom)).toStdString();
        if (listName == StandardInputName && std::count(files.begin(), files.end(), StandardInputName) > 0)
            throw UsageProblem{QStringLiteral("standard input cannot be both the list of files and a file")};
        for (std::string& name : readFileList(listName, nulSeparated))
            files.push_back(std::move(name));
    } else if (files.empty()) {
        throw UsageProblem{QStringLiteral("no file given")};
    }
    if (std::count(files.begin(), files.end(), StandardInputName) > 1)
        throw UsageProblem{QStringLiteral("standard input (\"-\") can be read only once")};
    return files;
}

ReportCommand commandOf(int argc, char* argv[], const QCommandLineParser& parser, const ReportOptions& options)
{
    ReportCommand command;
    command.format = formatOf(parser, options);
    command.by = byOf(parser, options, command.format);
    command.jobs = jobsOf(parser, options);
    command.withFileName = parser.isSet(options.withFileName);
    if (parser.isSet(options.label))
        command.standardInputLabel = parser.value(options.label).toStdString();
    command.files = filesOf(argc, argv, parser, options);
    command.locale = localeOf(parser, options);
    return command;
}

// Writes `text` whole to standard output: ExitSuccess, or ExitFailure with a message
// that names `what` (the help, the version).
int printText(const QString& text, const std::string& what)
{
    const QByteArray bytes = text.toUtf8();
    const auto size = static_cast<std::size_t>(bytes.size());
    if (std::fwrite(bytes.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0)
        return ExitSuccess;
    printError("kvdreport: cannot write the " + what + ": " + systemErrorText(errno != 0 ? errno : EIO));
    return ExitFailure;
}

} // namespace

ParsedCommand parseReportCommand(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const ReportOptions options;
    options.addTo(parser);
    parser.addPositionalArgument(QStringLiteral("FILE..."), QStringLiteral("The data files to summarise."));
    try {
        if (!parser.parse(QCoreApplication::arguments()))
            throw UsageProblem{parser.errorText()};
        if (parser.isSet(options.help))
            return {std::nullopt, printText(parser.helpText(), "help")};
        if (parser.isSet(options.version))
            return {std::nullopt, printText(QCoreApplication::applicationName() + QLatin1Char(' ')
                                            + QCoreApplication::applicationVersion() + QLatin1Char('\n'),
                                            "version")};
        return {commandOf(argc, argv, parser, options), ExitSuccess};
    } catch (const UsageProblem& problem) {
        printError("kvdreport: " + problem.text.toStdString());
        printError(UsageLine);
        return {std::nullopt, ExitUsage};
    } catch (const IoError& error) {
        printError("kvdreport: cannot read the list of files \"" + error.path() + "\": " + error.what());
        return {std::nullopt, ExitFailure};
    }
}

} // namespace kvd
