#include "closesignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

const std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's write end, for the handler; -1 while no object holds the handlers.
volatile sig_atomic_t writeEnd = -1;
std::array<struct sigaction, kSignals.size()> formerActions;

extern "C" void onCloseSignal(int number)
{
    const int savedErrno = errno; // the interrupted code may be about to read errno
    const int fd = writeEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        // A full pipe already holds a request that has not been read: this one may be dropped.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

CloseSignals::CloseSignals(QObject *parent)
    : QObject(parent)
{
    if (writeEnd >= 0)
        return;
    int ends[2];
    // Non-blocking: a handler must never wait on a full pipe. Close-on-exec: programs started
    // from here do not inherit it.
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = ends[0];
    writeEnd = ends[1];
    m_notifier = new QSocketNotifier(qintptr(m_readEnd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = onCloseSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the program's reads and writes never see EINTR for these.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &formerActions[i]);
}

CloseSignals::~CloseSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &formerActions[i], nullptr);
    const int fd = writeEnd;
    writeEnd = -1;
    ::close(fd);
    delete m_notifier;
    ::close(m_readEnd);
}

QList<int> CloseSignals::handled()
{
    return {kSignals.begin(), kSignals.end()};
}

void CloseSignals::readPipe()
{
    unsigned char bytes[16];
    int last = 0;
    for (;;) {
        const ssize_t n = ::read(m_readEnd, bytes, sizeof bytes);
        if (n > 0) {
            last = bytes[n - 1];
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: the pipe is empty
    }
    if (last != 0)
        Q_EMIT closeRequested(last);
}
