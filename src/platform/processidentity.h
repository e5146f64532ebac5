#pragma once
// Who a process is on this computer. A process id alone is not enough: the
// kernel hands it to another process once the first has ended, and the same
// id may be running again after a reboot. The id together with the process's
// start time and the boot it belongs to names one process only.

#include <QString>
#include <optional>

namespace trevlamark {

class ProcessIdentity
{
public:
    QString host;          // the computer's host name
    QString bootId;        // changes with every boot
    qint64 processId = 0;
    quint64 startTicks = 0; // clock ticks after boot at which the process started

    static ProcessIdentity current();
    // The start of the process running under processId now; nothing when none does.
    static std::optional<quint64> startTicksOf(qint64 processId);
    static QString currentBootId();

    // Both were taken on this computer during this boot.
    bool sameBootAs(const ProcessIdentity &other) const
    {
        return host == other.host && bootId == other.bootId;
    }
    // A process of this computer's current boot that is still running.
    bool isRunningHere() const;
};

} // namespace trevlamark
