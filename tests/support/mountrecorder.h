#pragma once
// Records every mount table change a watcher of the test's own sees. Other
// programs may mount things meanwhile, so a test compares against what
// actually happened rather than against a fixed count.

#include "platform/mountwatcher.h"

#include <QList>
#include <mutex>

class MountRecorder
{
public:
    MountRecorder()
        : m_watcher([this](const QList<trevlamark::MountChange> &changes) {
            std::lock_guard lock(m_mutex);
            m_changes.append(changes);
        })
    {
    }

    bool start() { return m_watcher.start(); }

    QList<trevlamark::MountChange> changes()
    {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }

    qsizetype count(bool isMount, const QString &mountPoint) { return changes().count({isMount, mountPoint}); }

private:
    std::mutex m_mutex;
    QList<trevlamark::MountChange> m_changes;
    // Last, so that it is stopped before what its handler uses goes away.
    trevlamark::MountWatcher m_watcher;
};
