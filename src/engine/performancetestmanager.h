#pragma once
// Runs one streaming I/O test at a time against one location: the cycle state
// machine that moves from write phase to read phase to the next cycle, and on
// to one PerformanceTestResult at the end. The test directory, the phases, the
// live samples and the result each have a class of their own. Phase work runs
// on worker threads that reach this object only through a shared bridge, so
// destroying the manager in the middle of a run is safe.

#include "engine/performancetestresult.h"
#include "engine/phase.h"
#include "engine/streamresult.h"
#include "engine/testrequest.h"
#include "engine/throughputsampler.h"
#include "engine/timelinemarker.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace trevlamark {

class ChunkStamp;
class MainThreadBridge;
class RunContext;
class RunMarker;

class PerformanceTestManager : public QObject
{
    Q_OBJECT

public:
    using StreamProgressHandler = std::function<void(double progress, const QString &message,
        const QList<StreamResult> &streamResults, const QList<TimelineMarker> &timelineMarkers,
        const QString &operation, int currentCycle, int currentPhaseId)>;
    using TestCompletionHandler = std::function<void(const PerformanceTestResult &result)>;

    explicit PerformanceTestManager(QObject *parent = nullptr);
    ~PerformanceTestManager() override; // safe mid-run: cancels, never blocks long

    // The completion handler receives exactly one result per start, on the
    // main thread: the run's, or a failure when the run could not start.
    void start(const TestRequest &request, StreamProgressHandler progressHandler,
        TestCompletionHandler completionHandler);
    // A stop by hand: waits for the phase in flight (at most stopWaitSeconds)
    // and delivers the result so far. Does nothing when no run is going.
    void stop();

    bool isRunning() const { return m_isRunning; }
    bool cancelRequested() const;
    void setCancelRequested(bool value); // screen going away mid-run
    std::optional<QString> currentTestDirectoryPath() const { return m_testDirectoryPath; }
    QList<TimelineMarker> timelineMarkers() const;
    const QList<StreamResult> &streamResults() const { return m_sampler.streamResults(); }

    // The sampler's status text: "Cycle 2/5 Read - 75%".
    static QString progressMessage(int cycle, int totalCycles, Phase phase, double fraction);

    static constexpr int cleanupAttempts = 5;
    static constexpr int stopWaitSeconds = 10;
    // How long the main thread waits for the test directory and its files: on a
    // share whose server stopped answering these calls block in the kernel.
    static constexpr int createWaitSeconds = 10;
    static constexpr double cacheFlushTimeoutSeconds = 30;

signals:
    // Emitted on the main thread when the background removal of the run's test directory
    // (after the result was delivered) has finished, whatever its outcome. The CLI waits for it.
    void testDirectoryCleanupFinished(const QString &path, bool removed);

private:
    bool prepareTestDirectory();
    void startCycleFiles(int cycle);
    void startPhase(Phase phase);
    void phaseFinished(const std::shared_ptr<RunContext> &run, Phase phase, const std::optional<QString> &failure);
    void afterWritePhase();
    void afterReadPhase();
    void finishRun(bool stoppedByHand, const std::optional<QString> &errorMessage);
    void callProgressHandler(double progress, const QString &message);
    void cleanupTestDirectory();
    // Removes the directory with retries on a thread of its own, after the
    // given run's file work has drained (when one is given).
    static void removeTestDirectory(const std::shared_ptr<MainThreadBridge> &bridge,
        const std::shared_ptr<RunContext> &runToDrain, const QString &path, PerformanceTestManager *manager);

    std::shared_ptr<MainThreadBridge> m_bridge;
    std::shared_ptr<RunContext> m_run;
    std::shared_ptr<const ChunkStamp> m_chunks;
    ThroughputSampler m_sampler;

    TestRequest m_request;
    StreamProgressHandler m_progressHandler;
    TestCompletionHandler m_completionHandler;

    bool m_isRunning = false;
    Phase m_phase = Phase::Write;
    int m_phaseId = 0;
    int m_cycle = 0;
    quint64 m_targetBytesPerPhase = 0;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    std::optional<QString> m_testDirectoryPath;
    // Keeps sweeps away from the test directory while the run uses it.
    std::shared_ptr<RunMarker> m_marker;
    QStringList m_writeFiles;
    QStringList m_readFiles;

    Q_DISABLE_COPY_MOVE(PerformanceTestManager)
};

} // namespace trevlamark
