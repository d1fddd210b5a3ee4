// kvdreport FILE: loads a data file as the viewer does and prints its summary report
// and its measurement statistics on standard output, for scripts.

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"
#include "datafile/NumberText.h"
#include "datafile/TextEncoding.h"
#include "document/Document.h"
#include "document/DocumentLoader.h"
#include "summary/ReportLines.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <string_view>

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// Standard output through one large buffer, written with write(2) so that the error
// of the write that failed is the one reported; texts in the file's encoding are
// written as UTF-8. Lines are written as they come: the report is never held whole.
class ReportWriter {
public:
    explicit ReportWriter(kvd::TextEncoding encoding) : m_encoding(encoding) { m_buffer.reserve(BufferSize); }

    void text(std::string_view bytes)
    {
        if (m_encoding == kvd::TextEncoding::Utf8) {
            m_buffer.append(bytes);
        } else {
            const QByteArray utf8 = kvd::decodeText(bytes, m_encoding).toUtf8();
            m_buffer.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        }
        if (m_buffer.size() >= BufferSize)
            flush();
    }
    void endLine() { m_buffer.push_back('\n'); }

    // 0 when standard output took everything, else the errno of the first write
    // that failed (nothing more is written after it).
    int finish()
    {
        flush();
        return m_error;
    }

private:
    static constexpr std::size_t BufferSize = std::size_t(1) << 20;

    void flush()
    {
        std::string_view rest = m_buffer;
        while (!rest.empty() && m_error == 0) {
            const ssize_t count =
                kvd::retryOnInterrupt([&] { return ::write(STDOUT_FILENO, rest.data(), rest.size()); });
            if (count < 0)
                m_error = errno;
            else
                rest.remove_prefix(static_cast<std::size_t>(count));
        }
        m_buffer.clear();
    }

    kvd::TextEncoding m_encoding;
    std::string m_buffer;
    int m_error = 0;
};

void printError(const std::string& utf8Text)
{
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
}

void printReport(const kvd::Document& document, ReportWriter& out)
{
    const kvd::ReportLines lines(document.summary.report, document.table);
    for (std::size_t index = 0; index < lines.count(); ++index) {
        out.text(lines.line(index));
        out.endLine();
    }
    out.endLine();
    out.text("Measurements Statistics :");
    out.endLine();
    const kvd::StatisticsTable& statistics = document.summary.statistics;
    for (int row = 0; row < statistics.rowCount(); ++row) {
        for (int column = 0; column < kvd::StatisticsTable::ColumnCount; ++column) {
            if (column > 0)
                out.text("\t");
            out.text(statistics.cell(row, column));
        }
        out.endLine();
    }
}

// The bytes the shell passed for the argument that was decoded to `word`. Decoding
// does not keep bytes that the locale's encoding cannot read (a file name that is not
// valid UTF-8), and the file system needs them unchanged.
std::string argumentBytes(int argc, char* argv[], const QString& word)
{
    for (int i = 1; i < argc; ++i) {
        if (QFile::decodeName(argv[i]) == word)
            return argv[i];
    }
    return QFile::encodeName(word).toStdString();
}

// Loads the file and prints its summary; the exit code.
int report(const std::string& fileName)
{
    const QString path = QFile::decodeName(QByteArray::fromStdString(fileName));
    kvd::Document document;
    document.fileName = fileName;
    document.caption = kvd::captionForPath(document.fileName);

    kvd::LoadOptions options;
    options.decimalSeparator = kvd::userDecimalSeparator();
    options.collationLocale = QLocale::system();
    options.warning = [&document](const std::string& message) {
        printError(kvd::decodeText(message, document.encoding).toStdString());
    };

    kvd::ReadResult result;
    try {
        result = kvd::loadDocument(document, options);
    } catch (const std::exception& error) {
        printError(error.what());
        return ExitFailure;
    }
    if (result.status == kvd::ReadStatus::NoSuchFile) {
        printError("kvdreport: \"" + path.toStdString() + "\" names no file");
        return ExitFailure;
    }
    if (result.status == kvd::ReadStatus::UnknownFormat) {
        printError("Unknow file format");
        return ExitFailure;
    }

    ReportWriter out(document.encoding);
    printReport(document, out);
    if (const int error = out.finish()) {
        printError("kvdreport: cannot write the report: " + kvd::systemErrorText(error));
        return ExitFailure;
    }
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char* argv[])
{
    // With standard output closed, the next file opened would take its number and
    // the report would be written into that file (or fail with an unrelated error).
    if (::fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
        printError("kvdreport: cannot write the report: " + kvd::systemErrorText(EBADF));
        return ExitFailure;
    }
    // QCoreApplication sets the process locale from the environment (LC_ALL, LANG...):
    // it gives the decimal separator and the collation of the report.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvdreport"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loads a data file (.kvd, .wum or learning file) as KVD Viewer does and prints its summary:\n"
        "the report lines, an empty line, \"Measurements Statistics :\" and the statistics grid,\n"
        "one row a line, cells separated by TAB, in UTF-8.\n"
        "Warnings and errors go to standard error. Exit status: 0 when the file was loaded\n"
        "(with or without warnings), 1 when it could not be, 2 for wrong usage.\n"
        "Numbers use the locale's decimal separator to parse and \".\" to print; distinct\n"
        "values are compared under the locale's collation, ignoring letter case."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file to summarise."));

    const auto usage = [&parser](const QString& problem) {
        printError("kvdreport: " + problem.toStdString());
        printError("Usage: kvdreport FILE   (kvdreport --help for more)");
        return ExitUsage;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return EXIT_SUCCESS;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usage(files.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("give exactly one file"));
    return report(argumentBytes(argc, argv, files.front()));
}
