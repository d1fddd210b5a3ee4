// kvdreport FILE...: loads data files as the viewer does and prints their summaries on
// standard output, for people (the default), for programs (--format=json, jsonl or
// tsv) or as a list of problems (--check).

#include "report/ReportCommand.h"
#include "report/ReportRun.h"

#include "common/Errors.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main(int argc, char* argv[])
{
    // With standard output closed, the next file opened would take its number and
    // the report would go into that file (or fail with an error of its own).
    if (::fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
        std::fprintf(stderr, "kvdreport: cannot write the report: %s\n", kvd::systemErrorText(EBADF).c_str());
        return kvd::ExitFailure;
    }
    // QCoreApplication sets the process locale from the environment (LC_ALL, LANG...):
    // it gives the decimal separator and the collation of the report, unless --locale
    // names another.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvdreport"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVD_VERSION));

    const kvd::ParsedCommand parsed = kvd::parseReportCommand(argc, argv);
    return parsed.command ? kvd::runReport(*parsed.command) : parsed.status;
}
