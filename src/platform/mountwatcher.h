#pragma once
// Watches the kernel's mount table from a thread of its own: the kernel marks
// /proc/self/mountinfo with POLLPRI|POLLERR on every change; the watcher reads
// the table again and reports each mount point that came or went.

#include "platform/mountchange.h"
#include "platform/mountentry.h"

#include <QList>
#include <QString>
#include <functional>
#include <thread>

namespace trevlamark {

class MountWatcher
{
public:
    // Called on the watcher's thread, once per change of the table.
    using Handler = std::function<void(const QList<MountChange> &changes)>;

    explicit MountWatcher(Handler handler);
    ~MountWatcher();
    MountWatcher(const MountWatcher &) = delete;
    MountWatcher &operator=(const MountWatcher &) = delete;

    // False (and the reason) when the table cannot be watched.
    bool start(QString *errorText = nullptr);
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // Unmounts first, then mounts, each in table order; mounts are told apart by their ids.
    static QList<MountChange> diff(const QList<MountEntry> &before, const QList<MountEntry> &after);

private:
    void run();
    QList<MountEntry> readTable();

    Handler m_handler;
    int m_tableFd = -1;
    int m_wakeFd = -1;
    QList<MountEntry> m_table;
    std::thread m_thread;
};

} // namespace trevlamark
