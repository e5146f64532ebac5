#pragma once
// The concurrent transfer loop of a phase: a fixed pool of queue-depth worker
// threads that claim work with atomic counters. Writes go to each operation's
// own offset with pwrite (file k's j-th chunk at j * chunk), reads take whole
// files with pread into one aligned buffer per worker, so the hot path
// allocates nothing, takes no lock and logs nothing.

#include "engine/phase.h"
#include "engine/progresscounters.h"
#include "platform/filehandle.h"

#include <QDateTime>
#include <atomic>
#include <chrono>

namespace trevlamark {

class AlignedBuffer;

struct StreamingIOOutcome
{
    quint64 bytes = 0;  // transferred and counted; a failed transfer never is
    QDateTime ioEnd;    // when the last operation had finished
    std::chrono::steady_clock::time_point ioEndClock; // the same moment, for durations
    int errorCode = 0;  // errno of the first failed transfer, 0 when none failed
};

class StreamingIOExecutor
{
public:
    // Blocks until every operation has finished. A write phase writes `data`
    // (exactly one chunk) up to the target; a read phase reads every file to its
    // end and ignores the target. Issuing stops at cancellation or the first
    // failed transfer.
    static StreamingIOOutcome run(const FileHandleList &handles, quint64 targetBytes, Phase phase,
        int queueDepth, qint64 chunkSizeBytes, const AlignedBuffer *data, ProgressCounters &counters,
        const std::atomic<bool> &cancelRequested);

    // The write plan: chunks := target / chunk, per file := max(1, chunks / files),
    // operations := min(2 * chunks, files * per file).
    static quint64 plannedWriteOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount);
    // Of those, the ones that write: the target check stops the surplus.
    static quint64 writingOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount);
};

} // namespace trevlamark
