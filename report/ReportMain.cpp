// kvdreport FILE...: loads data files as the viewer does and prints their summaries on
// standard output, for people (the default), for programs (--format=json or tsv) or
// as a list of problems (--check).

#include "report/OrderedJobs.h"
#include "report/ReportFile.h"
#include "report/ReportFormats.h"

#include "common/Errors.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvd::ReportFormat;

void printError(const std::string& utf8Text)
{
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
}

// Standard output and standard error, written as each file's output comes in turn.
// Remembers the errno of the first failed write to standard output.
class ReportStreams {
public:
    // False once standard output has failed.
    bool write(const kvd::ReportOutput& output)
    {
        if (!output.err.empty()) {
            std::fflush(stdout);
            std::fwrite(output.err.data(), 1, output.err.size(), stderr);
        }
        return put(output.out) && (!output.stream || output.stream([this](std::string_view bytes) { return put(bytes); }));
    }
    bool put(std::string_view bytes)
    {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() && m_errno == 0)
            m_errno = errno != 0 ? errno : EIO;
        return m_errno == 0;
    }

    // False when standard output could not take everything.
    bool finish()
    {
        if (std::fflush(stdout) != 0 && m_errno == 0)
            m_errno = errno != 0 ? errno : EIO;
        if (std::ferror(stdout) && m_errno == 0)
            m_errno = EIO;
        return m_errno == 0;
    }
    int error() const noexcept { return m_errno; }

private:
    int m_errno = 0;
};

// Thrown from the output side to stop reading further files.
struct OutputFailed {};

struct ReportCommand {
    ReportFormat format = ReportFormat::Text;
    int jobs = 1;
    std::vector<std::string> files; // the file system's bytes, as the shell passed them
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

kvd::ReportOutput reportOf(ReportFormat format, const kvd::ReportFile& file, kvd::FilePlacement placement)
{
    switch (format) {
    case ReportFormat::Text: return kvd::textReport(file, placement);
    case ReportFormat::Json: return kvd::jsonReport(file, placement);
    case ReportFormat::Tsv: return kvd::tsvReport(file, placement);
    case ReportFormat::Check: return kvd::checkReport(file, placement);
    }
    return {};
}

int run(const ReportCommand& command)
{
    const int count = static_cast<int>(command.files.size());
    const bool several = count > 1;
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    ReportStreams streams;
    int status = kvd::ExitSuccess;
    const auto produce = [&](int index) {
        const kvd::FilePlacement placement{index, several, terminal};
        try {
            auto file = std::make_shared<const kvd::ReportFile>(kvd::loadReportFile(command.files[index]));
            kvd::ReportOutput output = reportOf(command.format, *file, placement);
            if (output.stream)
                output.streamSource = std::move(file);
            return output;
        } catch (const std::exception& error) { // out of memory while rendering
            kvd::ReportFile failed;
            failed.path = QFile::decodeName(QByteArray::fromStdString(command.files[index])).toStdString();
            failed.error = error.what();
            return reportOf(command.format, failed, placement);
        }
    };
    const auto consume = [&](int index, kvd::ReportOutput& output) {
        status = kvd::worseStatus(status, output.status);
        bool written = false;
        try {
            written = streams.write(output);
        } catch (const std::exception& error) { // out of memory while streaming the report
            const std::string path = QFile::decodeName(QByteArray::fromStdString(command.files[index])).toStdString();
            std::fflush(stdout);
            printError(several ? path + ": " + error.what() : std::string(error.what()));
            status = kvd::worseStatus(status, kvd::ExitFailure);
            written = true;
        }
        if (!written)
            throw OutputFailed();
    };
    try {
        kvd::runOrderedJobs<kvd::ReportOutput>(count, command.jobs, produce, consume);
    } catch (const OutputFailed&) {
        // reported below
    }
    streams.put(kvd::reportEnding(command.format, count));
    if (!streams.finish()) {
        printError("kvdreport: cannot write the report: " + kvd::systemErrorText(streams.error()));
        return kvd::ExitFailure;
    }
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    // With standard output closed, the next file opened would take its number and
    // the report would go into that file (or fail with an error of its own).
    if (::fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
        printError("kvdreport: cannot write the report: " + kvd::systemErrorText(EBADF));
        return kvd::ExitFailure;
    }
    // QCoreApplication sets the process locale from the environment (LC_ALL, LANG...):
    // it gives the decimal separator and the collation of the report.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvdreport"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loads data files (.kvd, .wum or learning files) as KVD Viewer does and prints their summaries.\n"
        "By default, for each file: the report lines, an empty line, \"Measurements Statistics :\" and\n"
        "the statistics grid, one row a line, cells separated by TAB, in UTF-8; with several files, a\n"
        "line \"==> FILE <==\" before each and an empty line between them.\n"
        "Warnings and errors go to standard error (prefixed by the file's name when several files are\n"
        "given). Files are read in parallel and printed in argument order; a file that cannot be loaded\n"
        "does not stop the others.\n"
        "Exit status: 0 when every file was loaded (with or without warnings), 1 when one could not be,\n"
        "2 for wrong usage; with --check, 3 when problems were found (1 still wins).\n"
        "Numbers use the locale's decimal separator to parse and \".\" to print; distinct\n"
        "values are compared under the locale's collation, ignoring letter case."));
    // Not addHelpOption(): its --help-all would promise generic Qt options that
    // kvdreport has none of.
    const QCommandLineOption helpOption({QStringLiteral("?"), QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Displays help on commandline options."));
    parser.addOption(helpOption);
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("Output format: text (default); json, one object per file (an array for several "
                       "files); tsv, the statistics grid alone with one heading line (and a first column "
                       "File for several files)."),
        QStringLiteral("text|json|tsv"), QStringLiteral("text"));
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Print one \"FILE:LINE: message\" line per problem (duplicate objects, invalid "
                       "measurement values, unknown learning statuses, no measurement) and nothing for a "
                       "clean file."));
    const QCommandLineOption jobsOption(
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("Read up to N files at once (default: the number of processors)."), QStringLiteral("N"));
    parser.addOptions({formatOption, checkOption, jobsOption});
    parser.addPositionalArgument(QStringLiteral("FILE..."), QStringLiteral("The data files to summarise."));

    const auto usage = [](const QString& problem) {
        printError("kvdreport: " + problem.toStdString());
        printError("Usage: kvdreport [--format=text|json|tsv | --check] [-j N] FILE...   (kvdreport --help for more)");
        return kvd::ExitUsage;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(helpOption)) {
        ReportStreams streams;
        streams.put(parser.helpText().toStdString());
        if (!streams.finish()) {
            printError("kvdreport: cannot write the help: " + kvd::systemErrorText(streams.error()));
            return kvd::ExitFailure;
        }
        return kvd::ExitSuccess;
    }

    ReportCommand command;
    const QString format = parser.value(formatOption);
    if (format == QLatin1String("json"))
        command.format = ReportFormat::Json;
    else if (format == QLatin1String("tsv"))
        command.format = ReportFormat::Tsv;
    else if (format != QLatin1String("text"))
        return usage(QStringLiteral("unknown format \"%1\"").arg(format));
    if (parser.isSet(checkOption)) {
        if (parser.isSet(formatOption))
            return usage(QStringLiteral("--check prints its own lines and takes no --format"));
        command.format = ReportFormat::Check;
    }
    command.jobs = QThread::idealThreadCount();
    if (parser.isSet(jobsOption)) {
        bool number = false;
        command.jobs = parser.value(jobsOption).toInt(&number);
        if (!number || command.jobs < 1)
            return usage(QStringLiteral("-j needs a whole number of jobs from 1 on, not \"%1\"")
                             .arg(parser.value(jobsOption)));
    }
    command.files = argumentBytes(argc, argv, parser.positionalArguments());
    if (command.files.empty())
        return usage(QStringLiteral("no file given"));
    return run(command);
}
