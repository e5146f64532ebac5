#pragma once
// The small file a running test keeps in its test directory, so that a sweep
// (in this process, in another one, or on another computer sharing the
// location) leaves the directory alone: who runs the test, and a modification
// time refreshed while it runs.

#include "platform/processidentity.h"

#include <QString>
#include <memory>
#include <optional>

namespace trevlamark {

class RunMarker
{
public:
    static constexpr const char *fileName = ".trevlamark_run";
    static constexpr int refreshSeconds = 5;
    // A marker written on another computer counts as a live run this long
    // after its last refresh: its process cannot be asked from here.
    static constexpr int remoteLifetimeSeconds = 60;

    // Writes this process's marker into directory and refreshes it on a thread
    // of its own until the marker is destroyed; nothing when it cannot be written.
    static std::shared_ptr<RunMarker> place(const QString &directory);
    ~RunMarker();

    // Writes a marker naming owner and one of its runs.
    static bool write(const QString &directory, const ProcessIdentity &owner, const QString &runId);
    // Who still runs the test in directory ("process 42 on this computer"), or
    // nothing when the directory may go: no marker, or one whose run is over.
    static std::optional<QString> liveOwner(const QString &directory);

private:
    struct Refresher;
    RunMarker(QString runId, std::shared_ptr<Refresher> refresher);

    QString m_runId;
    std::shared_ptr<Refresher> m_refresher;

    RunMarker(const RunMarker &) = delete;
    RunMarker &operator=(const RunMarker &) = delete;
};

} // namespace trevlamark
