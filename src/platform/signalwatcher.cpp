#include "platform/signalwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

namespace {

volatile sig_atomic_t g_writeFd = -1;

void handleSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte; the signals already queued get the stop going.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

bool makeNonBlockingCloseOnExec(int fd)
{
    const int statusFlags = ::fcntl(fd, F_GETFL);
    const int descriptorFlags = ::fcntl(fd, F_GETFD);
    return statusFlags != -1 && descriptorFlags != -1 && ::fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) == 0
        && ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) == 0;
}

} // namespace

SignalWatcher::SignalWatcher(const QList<int> &signalNumbers, QObject *parent)
    : QObject(parent)
    , m_signalNumbers(signalNumbers)
{
    int fds[2];
    if (::pipe(fds) != 0)
        qFatal("SignalWatcher: cannot create pipe: %s", strerror(errno));
    m_readFd = fds[0];
    m_writeFd = fds[1];
    if (!makeNonBlockingCloseOnExec(m_readFd) || !makeNonBlockingCloseOnExec(m_writeFd))
        qFatal("SignalWatcher: cannot set pipe flags: %s", strerror(errno));
    g_writeFd = m_writeFd;

    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);

    for (int signalNumber : m_signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = handleSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        struct sigaction previous = {};
        ::sigaction(signalNumber, &action, &previous);
        m_previousActions.append(previous);
    }
}

SignalWatcher::~SignalWatcher()
{
    for (qsizetype i = 0; i < m_signalNumbers.size(); ++i)
        ::sigaction(m_signalNumbers.at(i), &m_previousActions.at(i), nullptr);
    g_writeFd = -1;
    ::close(m_readFd);
    ::close(m_writeFd);
}

void SignalWatcher::readPipe()
{
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(m_readFd, bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit signalReceived(bytes[i]);
    }
}

} // namespace trevlamark
