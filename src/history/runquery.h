#pragma once
// Which stored runs a list shows and in what order. Empty filters match every run.

#include "history/runrecord.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace trevlamark {

struct RunQuery
{
    enum class SortKey {
        FinishedAt, LocationPath, Protocol, ChunkSize, QueueDepth, BytesPerCycle, TotalCycles,
        WriteSpeed, ReadSpeed, Outcome,
    };

    QString locationPath;  // exact path
    QString text;          // found in the location, server, share or host name
    QString protocol;      // exact, as RunRecord::protocol
    std::optional<RunOutcome> outcome;
    QDateTime since;       // inclusive; invalid: no lower bound
    QDateTime until;       // exclusive; invalid: no upper bound
    SortKey sortKey = SortKey::FinishedAt;
    bool descending = true;
    int limit = 0;         // 0: all
};

} // namespace trevlamark
