#pragma once

#include "report/ReportCommand.h"

namespace kvd {

// Loads the command's files, up to command.jobs at once, and writes their outputs to
// standard output and standard error in argument order, each flushed as soon as it is
// complete. Returns the exit status of the run.
int runReport(const ReportCommand& command);

} // namespace kvd
