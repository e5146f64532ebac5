#pragma once
// Turns POSIX signals into a Qt signal on the main thread. The handler only
// writes the signal number into a pipe (the self-pipe trick); a socket notifier
// reads it in the event loop, so no Qt code ever runs inside the handler.

#include <QList>
#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace trevlamark {

class SignalWatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalWatcher)

public:
    // Only one watcher may exist at a time: the handler needs a process-wide pipe.
    explicit SignalWatcher(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void signalReceived(int signalNumber);

private:
    void readPipe();

    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_signalNumbers;
    QList<struct sigaction> m_previousActions;
};

} // namespace trevlamark
