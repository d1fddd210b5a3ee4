#include "viewer/TerminationSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvd {

namespace {

// The signal handler may only write to a descriptor: the event loop reads the other end.
int signalSockets[2] = {-1, -1};
// The first termination signal received, 0 before.
volatile std::sig_atomic_t receivedSignal = 0;
// Fires Deadline after the first signal, when the program has not ended by then.
timer_t deadlineTimer;
bool deadlineTimerMade = false;

void onDeadline(int)
{
    // The event loop did not get round to it (a load, a search, a box): end the way the
    // signal ends a program that does not handle it, writing nothing more.
    const int signal = receivedSignal;
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    ::_exit(128 + signal);
}

void onSignal(int signal)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    if (receivedSignal != 0 || !deadlineTimerMade)
        return;
    receivedSignal = signal;
    itimerspec deadline = {};
    deadline.it_value.tv_nsec = TerminationSignal::DeadlineMilliseconds * 1000000L;
    ::timer_settime(deadlineTimer, 0, &deadline, nullptr);
}

void makeDeadlineTimer()
{
    if (deadlineTimerMade)
        return;
    struct sigaction action = {};
    action.sa_handler = onDeadline;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGALRM, &action, nullptr) != 0)
        return;
    sigevent event = {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    deadlineTimerMade = ::timer_create(CLOCK_MONOTONIC, &event, &deadlineTimer) == 0;
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return; // the program still runs; a signal then ends it the default way
    ::fcntl(signalSockets[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignal::readSignal);
    makeDeadlineTimer();

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignal::~TerminationSignal()
{
    if (!m_notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    // The event loop has ended: the program is on its way out.
    if (deadlineTimerMade) {
        const itimerspec disarmed = {};
        ::timer_settime(deadlineTimer, 0, &disarmed, nullptr);
    }
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void TerminationSignal::readSignal()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(signalSockets[1], &byte, 1);
    emit requested();
}

} // namespace kvd
