#include "terminationsignal.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPair[2] = {-1, -1}; // written by the handler, read by the event loop

// A log-out or shut-down; Ctrl+C or Ctrl+Backslash in a terminal; the terminal closed.
const int endingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPair[0], &byte, 1);
}

} // namespace
#endif

TerminationSignal::TerminationSignal(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPair) != 0)
        return;
    notifier = new QSocketNotifier(signalPair[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignal::takeSignal);

    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : endingSignals)
        sigaction(signalNumber, &action, nullptr);
#endif
#ifdef SIGXFSZ
    // A file size limit would end the program at the first save that goes
    // past it, the list with it; ignored, the write fails as on a full disk,
    // and the user is told.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

TerminationSignal::~TerminationSignal()
{
#ifdef Q_OS_UNIX
    if (!notifier)
        return;
    for (const int signalNumber : endingSignals)
        signal(signalNumber, SIG_DFL);
    delete notifier;
    ::close(signalPair[0]);
    ::close(signalPair[1]);
    signalPair[0] = signalPair[1] = -1;
#endif
}

void TerminationSignal::takeSignal()
{
#ifdef Q_OS_UNIX
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(signalPair[1], &byte, 1);
    emit received();
#endif
}
