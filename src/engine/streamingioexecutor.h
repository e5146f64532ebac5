#pragma once
// The concurrent transfer loop of a phase: a fixed pool of queue-depth worker
// threads that claim work with atomic counters. Writes go to each operation's
// own offset with pwritev (file k's j-th chunk at j * chunk), reads take whole
// files with pread, chunk by chunk. Each worker has its own aligned buffer (a
// stamped head block when writing, a chunk when reading) and latency
// histogram, made before it starts, so the hot path allocates nothing, takes
// no lock and logs nothing.

#include "engine/latencyhistogram.h"
#include "engine/phase.h"
#include "engine/progresscounters.h"
#include "platform/filehandle.h"

#include <QDateTime>
#include <atomic>
#include <chrono>
#include <limits>
#include <vector>

namespace trevlamark {

class ChunkStamp;

struct StreamingIOJob
{
    Phase phase = Phase::Write;
    int queueDepth = 1;
    qint64 chunkSizeBytes = 0;
    quint64 targetBytes = 0; // write phases; a read takes every file to its end
    // What a write puts down; a verifying read compares against it. Writing needs it.
    const ChunkStamp *chunks = nullptr;
    bool verify = false;
    // Per file, the bytes a read must return; unknownSize skips the file's
    // size check and verification. Empty: no file is checked.
    std::vector<quint64> expectedFileBytes;

    static constexpr quint64 unknownSize = std::numeric_limits<quint64>::max();
};

struct StreamingIOFailure
{
    enum class Kind { None, Transfer, DataDiffers, ShortRead };
    Kind kind = Kind::None;
    int errorCode = 0;       // Transfer: errno
    size_t file = 0;         // index into the handles
    quint64 offsetBytes = 0; // DataDiffers: the first byte that differs; ShortRead: the bytes the file returned
    quint64 expectedBytes = 0; // ShortRead: the bytes it should have returned
};

struct StreamingIOOutcome
{
    quint64 bytes = 0;  // transferred and counted; a failed transfer never is
    QDateTime ioEnd;    // when the last operation had finished
    std::chrono::steady_clock::time_point ioEndClock; // the same moment, for durations
    StreamingIOFailure failure; // the first one; issuing stops there
    std::vector<quint64> fileBytes; // per file, the bytes written to it or read from it
    LatencyHistogram latencies;     // one entry per chunk transferred
};

class StreamingIOExecutor
{
public:
    // Blocks until every operation has finished. Issuing stops at cancellation
    // or the first failure.
    static StreamingIOOutcome run(const FileHandleList &handles, const StreamingIOJob &job,
        ProgressCounters &counters, const std::atomic<bool> &cancelRequested);

    // The write plan: chunks := target / chunk, per file := max(1, chunks / files),
    // operations := min(2 * chunks, files * per file).
    static quint64 plannedWriteOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount);
    // Of those, the ones that write: the target check stops the surplus.
    static quint64 writingOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount);
};

} // namespace trevlamark
