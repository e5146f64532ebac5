#pragma once
// Everything one run shares with its worker threads. A fresh context per run
// means a phase that outlives its stop records into its own run only.

#include "engine/mainthreadbridge.h"
#include "engine/phase.h"
#include "engine/progresscounters.h"
#include "engine/timelinemarker.h"
#include "platform/waitgroup.h"
#include "platform/logcategories.h"

#include <QList>
#include <QUuid>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace trevlamark {

class RunContext
{
public:
    explicit RunContext(std::shared_ptr<MainThreadBridge> mainThread)
        : bridge(std::move(mainThread))
    {
    }

    void addTimelineMarker(const QDateTime &timestamp, const QString &message, const QString &type)
    {
        {
            std::lock_guard lock(m_mutex);
            m_timelineMarkers.append(TimelineMarker{QUuid::createUuid(), timestamp, message, type});
        }
        qCDebug(lcEngine).noquote() << QStringLiteral("Timeline marker: %1 at %2").arg(message, timestamp.toString());
    }

    QList<TimelineMarker> timelineMarkers() const
    {
        std::lock_guard lock(m_mutex);
        return m_timelineMarkers;
    }

    // Returns the count of phases recorded so far.
    qsizetype recordPhase(const PhaseRecord &record)
    {
        std::lock_guard lock(m_mutex);
        m_phases.append(record);
        return m_phases.size();
    }

    QList<PhaseRecord> phases() const
    {
        std::lock_guard lock(m_mutex);
        return m_phases;
    }

    // Per file of the last write phase, the bytes written to it: what a read
    // of that file must return.
    void setWrittenFileBytes(std::vector<quint64> bytes)
    {
        std::lock_guard lock(m_mutex);
        m_writtenFileBytes = std::move(bytes);
    }

    std::vector<quint64> writtenFileBytes() const
    {
        std::lock_guard lock(m_mutex);
        return m_writtenFileBytes;
    }

    // The files of the last write phase, which a read reads.
    void setWriteFiles(QStringList files)
    {
        std::lock_guard lock(m_mutex);
        m_writeFiles = std::move(files);
    }

    QStringList writeFiles() const
    {
        std::lock_guard lock(m_mutex);
        return m_writeFiles;
    }

    const std::shared_ptr<MainThreadBridge> bridge;
    std::atomic<bool> cancelRequested{false};
    // Entered for every phase in flight; a stop waits for it to drain.
    WaitGroup fileOperationsGroup;
    ProgressCounters counters;

private:
    mutable std::mutex m_mutex;
    QList<PhaseRecord> m_phases;
    QList<TimelineMarker> m_timelineMarkers;
    std::vector<quint64> m_writtenFileBytes;
    QStringList m_writeFiles;
};

} // namespace trevlamark
