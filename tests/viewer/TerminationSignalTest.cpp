// SIGTERM reaches the viewer as a normal quit when its event loop runs, and ends it the
// default way after a deadline when its thread is busy elsewhere (a load's statistics,
// a search). Runs TerminationSignalProbe as a real process for each case.
#include "viewer/TerminationSignal.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>

extern char** environ;

namespace {

struct ProbeEnd {
    int status = 0;
    std::chrono::milliseconds took {};
};

ProbeEnd runProbe(const char* mode)
{
    const auto start = std::chrono::steady_clock::now();
    char program[] = KVD_TERMINATION_PROBE;
    char* arguments[] = {program, const_cast<char*>(mode), nullptr};
    pid_t child = 0;
    EXPECT_EQ(::posix_spawn(&child, program, nullptr, nullptr, arguments, environ), 0);
    ProbeEnd end;
    EXPECT_EQ(::waitpid(child, &end.status, 0), child);
    end.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return end;
}

TEST(TerminationSignal, aBusyThreadIsEndedByTheSignalOnceTheDeadlinePasses)
{
    const ProbeEnd end = runProbe("busy");
    // Not before the deadline (the event loop could still have quit normally), and well
    // before the 5 s the probe stays busy.
    ASSERT_TRUE(WIFSIGNALED(end.status)) << "exit status " << WEXITSTATUS(end.status);
    EXPECT_EQ(WTERMSIG(end.status), SIGTERM);
    EXPECT_GE(end.took.count(), kvd::TerminationSignal::DeadlineMilliseconds);
    EXPECT_LT(end.took.count(), 4000);
}

TEST(TerminationSignal, theEventLoopQuitsNormallyAndTheDeadlineEndsWithIt)
{
    const ProbeEnd end = runProbe("loop");
    ASSERT_TRUE(WIFEXITED(end.status)) << "ended by signal " << WTERMSIG(end.status);
    EXPECT_EQ(WEXITSTATUS(end.status), 0);
}

} // namespace
