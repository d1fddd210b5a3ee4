#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

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

// Takes bytes for standard output; false once standard output has failed.
using ReportSink = std::function<bool(std::string_view bytes)>;

// What one file gives: bytes for standard output and for standard error (UTF-8), and
// its exit status.
struct ReportOutput {
    std::string out;
    // The rest of standard output, made while it is written to `sink` after `out`, so
    // that a report of millions of lines is never held whole. None where `out` holds
    // everything. False when the sink refused bytes.
    std::function<bool(const ReportSink& sink)> stream;
    // What `stream` reads (the loaded file), kept alive until the output is written.
    std::shared_ptr<const void> streamSource;
    std::string err;
    int status = ExitSuccess;
};

} // namespace kvd
