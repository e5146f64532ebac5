#pragma once
// One phase of a run on a worker thread of its own: open the files, run the
// transfers, fsync, close, record the phase's figures and latencies in the
// run, and report back on the main thread.

#include "engine/phase.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace trevlamark {

class ChunkStamp;
class RunContext;
struct StreamingIOOutcome;

struct PhasePlan
{
    Phase phase = Phase::Write;
    int cycle = 0;
    QStringList files;
    int queueDepth = 0;
    quint64 targetBytes = 0;
    qint64 chunkSizeBytes = 0;
    bool disableCache = true;
    bool developerMode = false;
    std::shared_ptr<const ChunkStamp> chunks; // what the run writes, and what a verifying read expects
    bool verify = false;
    // Steps before the transfers, on the phase's thread too, as they may hang
    // on a share: a fresh set of files for a later cycle's write (made in
    // directory), and pushing the read's files out of the page cache.
    QString directory;
    int newFilesCycle = 0;
    bool flushCacheFirst = false;
    // The interface that carries the share: its byte counters are read at the
    // phase's open and close. Empty for a local folder.
    QString wireDevice;
    // Set when the transfers are about to start. Durations come from the steady clock: wall-clock dates
    // have only millisecond resolution and may jump.
    std::chrono::steady_clock::time_point startClock;
};

class PhaseRunner
{
public:
    PhaseRunner() = delete;

    // Called on the main thread (through the run's bridge) when the phase has
    // ended: no failure when it completed, otherwise what went wrong. Not
    // called when the run's receiver is gone.
    using FinishedHandler = std::function<void(const std::optional<QString> &failure)>;

    static void start(const std::shared_ptr<RunContext> &run, PhasePlan plan, FinishedHandler onFinished);

    static constexpr double synchronizeTimeoutSeconds = 45;
    static constexpr double closeTimeoutSeconds = 10;
    static constexpr double createTimeoutSeconds = 10;
    static constexpr double cacheFlushTimeoutSeconds = 30;
    // How long the interface's traffic is watched before a phase on a share,
    // the preparation of its files included.
    static constexpr double wireWatchSeconds = 0.5;

private:
    static std::optional<QString> runPhase(RunContext &run, PhasePlan plan);
    static void prepareFiles(RunContext &run, PhasePlan &plan);
    static std::optional<QString> failureMessage(const PhasePlan &plan, const StreamingIOOutcome &outcome);
};

} // namespace trevlamark
