#pragma once

// Runs a program as a child process, its standard output on a pipe or on a
// pseudo-terminal, and collects what it wrote, its exit status and its peak memory.

#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace kvdtest {

struct ChildRun {
    int exitCode = -1; // -1: did not exit normally
    std::string out;
    std::string err;
    long peakKib = 0; // the child's peak resident memory
};

enum class Output {
    Pipe,
    Terminal,
    TerminalWithErrors, // standard error on the same terminal, read into `out` too
    DevNull,
};

namespace detail {

inline std::string readAll(int descriptor)
{
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0)
            bytes.append(buffer, static_cast<std::size_t>(count));
        else if (count == 0 || errno != EINTR)
            break; // a terminal's master side ends with EIO once the child has gone
    }
    return bytes;
}

[[noreturn]] inline void exec(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    for (const std::string& setting : environment)
        ::putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

} // namespace detail

// Runs arguments[0] with the others, and environment settings ("NAME=value") added.
// Standard error goes to a pipe but with TerminalWithErrors. Standard input is /dev/null.
inline ChildRun runChild(const std::vector<std::string>& arguments, Output output,
                         const std::vector<std::string>& environment = {"LC_ALL=C.UTF-8"})
{
    ChildRun run;
    int errPipe[2];
    int outPipe[2] = {-1, -1};
    if (::pipe2(errPipe, O_CLOEXEC) != 0 || (output == Output::Pipe && ::pipe2(outPipe, O_CLOEXEC) != 0))
        return run;
    int master = -1;
    pid_t child = -1;
    const bool terminal = output == Output::Terminal || output == Output::TerminalWithErrors;
    if (terminal) {
        termios raw{};
        ::cfmakeraw(&raw); // no CR added before each line end
        child = ::forkpty(&master, nullptr, &raw, nullptr);
    } else {
        child = ::fork();
    }
    if (child == 0) {
        if (output != Output::TerminalWithErrors)
            ::dup2(errPipe[1], STDERR_FILENO);
        if (output == Output::Pipe)
            ::dup2(outPipe[1], STDOUT_FILENO);
        if (output == Output::DevNull)
            ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
        ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
        detail::exec(arguments, environment);
    }
    ::close(errPipe[1]);
    if (outPipe[1] >= 0)
        ::close(outPipe[1]);
    if (child < 0)
        return run;
    // Standard error is small here; standard output is read to its end first.
    if (output == Output::Pipe)
        run.out = detail::readAll(outPipe[0]);
    if (terminal)
        run.out = detail::readAll(master);
    run.err = detail::readAll(errPipe[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKib = usage.ru_maxrss;
    for (const int descriptor : {errPipe[0], outPipe[0], master}) {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    return run;
}

} // namespace kvdtest
