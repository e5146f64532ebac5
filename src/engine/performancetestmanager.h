#pragma once
// Runs one streaming I/O test at a time against one location: cycles of a
// write phase and a read phase over a few test files, live throughput samples,
// and one PerformanceTestResult at the end. Phase work runs on worker threads
// that reach this object only through a shared bridge, so destroying the
// manager in the middle of a run is safe.

#include "discovery/networkshare.h"
#include "engine/bytespercycleoptions.h"
#include "engine/performancetestresult.h"
#include "engine/streamresult.h"
#include "engine/streamtestoptions.h"
#include "engine/throughputtestoptions.h"
#include "engine/timelinemarker.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace trevlamark {

class ShareManager;
class AlignedBuffer;
struct RunContext;
struct ManagerBridge;

class PerformanceTestManager : public QObject
{
    Q_OBJECT

public:
    using StreamProgressHandler = std::function<void(double progress, const QString &message,
        const QList<StreamResult> &streamResults, const QList<TimelineMarker> &timelineMarkers,
        const QString &operation, int currentCycle, int currentPhaseId)>;
    using TestCompletionHandler = std::function<void(const PerformanceTestResult &result)>;

    explicit PerformanceTestManager(ShareManager *shareManager = nullptr, QObject *parent = nullptr);
    ~PerformanceTestManager() override; // safe mid-run: cancels, never blocks long

    void startStreamingTest(const NetworkShare &share, ThroughputTestOptions chunkSize, int queueDepth,
        BytesPerCycleOptions bytesPerCycle, quint64 customBytesPerCycle, int totalCycles, bool disableCache,
        const QString &locationPath, bool writePhaseEnabled, bool readPhaseEnabled,
        StreamProgressHandler progressHandler, TestCompletionHandler completionHandler);
    void stopStreamingTest(const NetworkShare &share, const QString &locationPath, bool isAutoStop,
        const std::optional<QString> &interfaceInfo, const std::optional<StreamTestOptions> &options,
        TestCompletionHandler completionHandler);

    double samplingRate() const;
    void setSamplingRate(double seconds);
    bool isRunning() const;
    bool isRunningStreamTest() const;
    bool cancelRequested() const;
    void setCancelRequested(bool value); // screen going away mid-run
    std::optional<QString> currentTestDirectoryPath() const;

    void addTimelineMarker(const QDateTime &timestamp, const QString &message, const QString &type);
    // Hands the run's test directory to a background removal with retries; the
    // outcome arrives as testDirectoryCleanupFinished (with an empty path and
    // false when the manager held no directory).
    void cleanupCurrentTestDirectory();

    // Read-outs of the run's bookkeeping, for the screens and the tests.
    QMap<QString, QVariantMap> phaseResults() const;
    QList<StreamResult> streamResults() const { return m_streamResults; }
    QList<TimelineMarker> timelineMarkers() const;
    quint64 totalBytesTargetPerPhase() const { return m_totalBytesTargetPerPhase; }
    int currentCycleCount() const { return m_currentCycleCount; }
    int currentPhaseId() const { return m_currentPhaseId; }
    QString activeStreamType() const { return m_activeStreamType; }
    quint64 bytesProcessedInCurrentPhase() const { return m_bytesProcessedInCurrentPhase; }
    QDateTime testStartTime() const { return m_testStartTime; }
    ShareManager *shareManager() const { return m_shareManager; }

    // The sampler's status text: "Cycle 2/5 Read - 75%".
    static QString progressMessage(int cycle, int totalCycles, const QString &operation, double fraction);

    static constexpr const char *testFolderName = "Trevlamark_Test_Data";
    static constexpr const char *logFileName = "performance_tests.log";
    static constexpr int cleanupAttempts = 5;
    static constexpr int stopWaitSeconds = 10;
    // How long the main thread waits for the test directory and its files: on a
    // share whose server stopped answering these calls block in the kernel.
    static constexpr int createWaitSeconds = 10;

signals:
    // Emitted on the main thread when the background removal of the run's test directory
    // (after the result was delivered) has finished, whatever its outcome. The CLI waits for it.
    void testDirectoryCleanupFinished(const QString &path, bool removed);

private:
    enum class PhaseKind { Write, Read };
    struct PhasePlan;

    static bool createTestDirectory(const QString &path);
    static QStringList createSeedFiles(const QString &directory, int queueDepth);
    static QStringList createCycleFiles(const QString &directory, int queueDepth, int cycle);
    void startCycleFiles(int cycle);
    void setupProgressTimers();
    void teardownProgressTimers();
    void takeSample();
    void startPhase(PhaseKind kind);
    void afterWritePhase();
    void afterReadPhase();
    void failRun(const QString &errorMessage);
    void autoStop(const std::optional<QString> &errorMessage);
    void finishStop(const NetworkShare &share, const QString &locationPath, bool isAutoStop,
        const std::optional<QString> &interfaceInfo, const std::optional<StreamTestOptions> &options,
        const std::optional<QString> &errorMessage, TestCompletionHandler completionHandler);
    PerformanceTestResult buildTestResult(const NetworkShare &share, const QString &locationPath,
        bool isAutoStop, bool disableCache, ThroughputTestOptions chunkSize, quint64 bytesPerCycle,
        int targetCycles, int cyclesValue, const std::optional<QString> &interfaceInfo, int queueDepth,
        const std::optional<QString> &errorMessage) const;
    QList<CycleResult> buildCycleResults() const;
    void callProgressHandler(double progress, const QString &message);

    static void runPhaseBody(const std::shared_ptr<RunContext> &run, const PhasePlan &plan);
    // Removes the directory with retries on a thread of its own, after the
    // given run's file work has drained (when one is given).
    static void removeTestDirectory(const std::shared_ptr<ManagerBridge> &bridge,
        const std::shared_ptr<RunContext> &runToDrain, const QString &path, const QStringList &lingeringFiles);

    ShareManager *m_shareManager;
    std::shared_ptr<ManagerBridge> m_bridge;
    std::shared_ptr<RunContext> m_run;
    std::shared_ptr<AlignedBuffer> m_randomDataBuffer;

    bool m_isRunning = false;
    bool m_isRunningStreamTest = false;
    QList<StreamResult> m_streamResults;
    QString m_activeStreamType = QStringLiteral("write");
    QDateTime m_testStartTime;
    int m_currentPhaseId = 0;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    bool m_initialWritePhaseEnabled = true;
    std::optional<QString> m_currentTestDirectoryPath;
    std::optional<QString> m_currentTestLocationPath;
    std::optional<QString> m_currentInterfaceInfo;
    QStringList m_testWriteFiles;
    QStringList m_testReadFiles;
    int m_currentCycleCount = 0;
    int m_totalCycles = 0;
    quint64 m_bytesProcessedInCurrentPhase = 0;
    quint64 m_totalBytesTargetPerPhase = 0;
    double m_samplingRate = 0.1;

    // The run's request, kept for the phases and the automatic stop.
    NetworkShare m_share;
    QString m_locationPath;
    ThroughputTestOptions m_chunkSize = ThroughputTestOptions::size1MB;
    int m_queueDepth = 0;
    quint64 m_bytesPerCycle = 0;
    bool m_disableCache = true;
    StreamProgressHandler m_progressHandler;
    TestCompletionHandler m_completionHandler;

    // The sampler: two main-thread timers and the state of the sampling step.
    QTimer *m_globalUiUpdateTimer = nullptr;
    QTimer *m_globalProgressTimer = nullptr;
    QElapsedTimer m_sampleClock;
    qint64 m_lastSampleNanoseconds = 0;
    double m_samplerIntervalSeconds = 0.1;

    Q_DISABLE_COPY_MOVE(PerformanceTestManager)
};

} // namespace trevlamark
