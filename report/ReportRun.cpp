#include "report/ReportRun.h"

#include "common/Errors.h"
#include "report/OrderedJobs.h"
#include "report/ReportFile.h"
#include "report/TerminalText.h"

#include <QFile>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>

namespace kvd {

namespace {

void printError(const std::string& utf8Text)
{
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
}

// What a user is told of an error met while a report is made or written.
std::string reportErrorText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "Not enough memory to write the report";
    return error.what();
}

// Standard output and standard error, written as each file's output comes in turn.
// Remembers the errno of the first failed write to standard output.
class ReportStreams {
public:
    // False once standard output has failed.
    bool write(const ReportOutput& output)
    {
        if (!output.err.empty()) {
            std::fflush(stdout);
            // Messages quote the file's texts (measurement names, paths).
            const std::string err = m_errorTerminal ? escapedLines(output.err) : output.err;
            std::fwrite(err.data(), 1, err.size(), stderr);
        }
        return put(output.out) && (!output.stream || output.stream([this](std::string_view bytes) { return put(bytes); }));
    }
    bool put(std::string_view bytes)
    {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            fail();
        return m_errno == 0;
    }
    // Hands what standard output holds to the system; false once it has failed.
    bool flush()
    {
        if (std::fflush(stdout) != 0)
            fail();
        return m_errno == 0;
    }

    // False when standard output could not take everything.
    bool finish()
    {
        flush();
        if (std::ferror(stdout) && m_errno == 0)
            m_errno = EIO;
        return m_errno == 0;
    }
    int error() const noexcept { return m_errno; }

private:
    void fail()
    {
        if (m_errno == 0)
            m_errno = errno != 0 ? errno : EIO;
    }

    int m_errno = 0;
    const bool m_errorTerminal = ::isatty(STDERR_FILENO) == 1;
};

// Thrown from the output side to stop reading further files.
struct OutputFailed {};

ReportOutput reportOf(ReportFormat format, const ReportFile& file, FilePlacement placement)
{
    switch (format) {
    case ReportFormat::Text: return textReport(file, placement);
    case ReportFormat::Json: return jsonReport(file, placement);
    case ReportFormat::JsonLines: return jsonLinesReport(file, placement);
    case ReportFormat::Tsv: return tsvReport(file, placement);
    case ReportFormat::Check: return checkReport(file, placement);
    case ReportFormat::CheckJsonLines: return checkJsonLinesReport(file, placement);
    }
    return {};
}

bool isJsonLines(ReportFormat format)
{
    return format == ReportFormat::JsonLines || format == ReportFormat::CheckJsonLines;
}

// One run's files and how to show them.
class ReportRun {
public:
    explicit ReportRun(const ReportCommand& command) : m_command(command) {}

    // The output of the file at `index`, loaded on the calling thread.
    ReportOutput produce(int index) const
    {
        const FilePlacement placement = placementOf(index);
        try {
            auto file = std::make_shared<const ReportFile>(
                loadReportFile(systemName(index), shownName(index), m_command.locale, m_command.by));
            ReportOutput output = reportOf(m_command.format, *file, placement);
            if (output.stream)
                output.streamSource = std::move(file);
            return output;
        } catch (const std::exception& error) { // out of memory while rendering
            ReportFile failed;
            failed.by = m_command.by;
            failed.path = shownName(index);
            failed.failure = dynamic_cast<const std::bad_alloc*>(&error) ? LoadFailure::OutOfMemory
                                                                          : LoadFailure::ReadError;
            failed.error = reportErrorText(error);
            return reportOf(m_command.format, failed, placement);
        }
    }

    // Writes the output of the file at `index`; throws OutputFailed when standard
    // output has failed.
    void consume(int index, const ReportOutput& output)
    {
        m_status = worseStatus(m_status, output.status);
        bool written = false;
        try {
            written = m_streams.write(output) && m_streams.flush();
        } catch (const std::exception& error) { // out of memory while streaming the report
            std::fflush(stdout);
            const std::string text = reportErrorText(error);
            printError(placementOf(index).named ? shownName(index) + ": " + text : text);
            m_status = worseStatus(m_status, ExitFailure);
            written = true;
        }
        if (!written)
            throw OutputFailed();
    }

    // The run's exit status, once every output is written.
    int finish()
    {
        const int count = static_cast<int>(m_command.files.size());
        m_streams.put(reportEnding(m_command.format, count));
        if (!m_streams.finish()) {
            printError("kvdreport: cannot write the report: " + systemErrorText(m_streams.error()));
            return ExitFailure;
        }
        return m_status;
    }

private:
    FilePlacement placementOf(int index) const
    {
        const bool several = m_command.files.size() > 1;
        return {index, several, several || m_command.withFileName || isJsonLines(m_command.format), m_terminal};
    }
    bool readsStandardInput(int index) const { return m_command.files[static_cast<std::size_t>(index)] == StandardInputName; }
    // The name the file system knows the file by.
    std::string systemName(int index) const
    {
        return readsStandardInput(index) ? "/dev/stdin" : m_command.files[static_cast<std::size_t>(index)];
    }
    // The name the output shows, UTF-8.
    std::string shownName(int index) const
    {
        if (readsStandardInput(index))
            return m_command.standardInputLabel;
        return QFile::decodeName(QByteArray::fromStdString(m_command.files[static_cast<std::size_t>(index)]))
            .toStdString();
    }

    const ReportCommand& m_command;
    const bool m_terminal = ::isatty(STDOUT_FILENO) == 1;
    ReportStreams m_streams;
    int m_status = ExitSuccess;
};

} // namespace

int runReport(const ReportCommand& command)
{
    ReportRun run(command);
    try {
        runOrderedJobs<ReportOutput>(
            static_cast<int>(command.files.size()), command.jobs, [&run](int index) { return run.produce(index); },
            [&run](int index, ReportOutput& output) { run.consume(index, output); });
    } catch (const OutputFailed&) {
        // reported by finish()
    }
    return run.finish();
}

} // namespace kvd
