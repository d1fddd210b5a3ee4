#pragma once

#include <string>

namespace kvd {

// kvdreport's exit statuses.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;  // a file could not be loaded, or output failed
inline constexpr int ExitUsage = 2;
inline constexpr int ExitProblems = 3; // --check found problems in a loaded file

// The status of a run from those of its files: the worst one, where a file that could
// not be read is worse than one with problems.
constexpr int worseStatus(int a, int b)
{
    const auto rank = [](int status) { return status == ExitFailure ? 2 : status == ExitProblems ? 1 : 0; };
    return rank(b) > rank(a) ? b : a;
}

// What one file gives: bytes for standard output and for standard error (UTF-8), and
// its exit status.
struct ReportOutput {
    std::string out;
    std::string err;
    int status = ExitSuccess;
};

} // namespace kvd
