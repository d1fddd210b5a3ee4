#pragma once

// Runs kvdreport (or a shell around it) as a real process for the tests of this folder.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <string>

namespace kvdtest {

struct ProcessResult {
    int exitCode = -1; // -1 when the program did not end normally
    std::string out;
    std::string err;
};

// Runs `program` with these arguments under the locale `locale` (LC_ALL), with
// `input` on standard input.
inline ProcessResult runProgram(const QString& program, const QStringList& arguments, const QString& locale,
                                const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    ProcessResult run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

// Runs kvdreport with these arguments under the locale `locale` (LC_ALL).
inline ProcessResult runReport(const QStringList& arguments, const QString& locale = QStringLiteral("C.UTF-8"),
                               const QByteArray& input = {})
{
    return runProgram(QStringLiteral(KVDREPORT_PATH), arguments, locale, input);
}

// Runs a shell command line with kvdreport as $0 and `argument` as $1.
inline ProcessResult runReportInShell(const QString& commandLine, const QString& argument)
{
    return runProgram(QStringLiteral("sh"), {QStringLiteral("-c"), commandLine, QStringLiteral(KVDREPORT_PATH), argument},
                      QStringLiteral("C.UTF-8"));
}

inline QString fixture(const char* name)
{
    return QStringLiteral(KVD_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

inline QString example(const char* name)
{
    return QStringLiteral(KVD_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

} // namespace kvdtest
