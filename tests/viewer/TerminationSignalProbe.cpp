// A program that carries TerminationSignal, started as a real process by
// TerminationSignalTest. Its argument says what it does once it has the signal:
//   busy  its thread stays busy for 5 s after a SIGTERM and never returns to the event
//         loop; then it exits 0 (the deadline must have ended it long before);
//   loop  its event loop takes a SIGTERM and quits; once TerminationSignal is gone it
//         waits past the deadline, then exits 0 (a deadline left armed would kill it).
#include "viewer/TerminationSignal.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

namespace {

void stayBusy(std::chrono::milliseconds span)
{
    // Sleeps in short steps: the deadline's SIGALRM interrupts a step, not the span.
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    if (std::strcmp(argv[1], "busy") == 0) {
        kvd::TerminationSignal termination;
        ::raise(SIGTERM);
        stayBusy(std::chrono::seconds(5));
        return 0;
    }
    if (std::strcmp(argv[1], "loop") == 0) {
        {
            kvd::TerminationSignal termination;
            QObject::connect(&termination, &kvd::TerminationSignal::requested, &app, &QCoreApplication::quit);
            QTimer::singleShot(0, [] { ::raise(SIGTERM); });
            QCoreApplication::exec();
        }
        stayBusy(std::chrono::milliseconds(3 * kvd::TerminationSignal::DeadlineMilliseconds));
        return 0;
    }
    return 2;
}
