#include "engine/performancetestmanager.h"

#include "settings/console.h"
#include "settings/logmanager.h"
#include "settings/preferencesmanager.h"
#include "engine/fileoperationutility.h"
#include "engine/progresscounters.h"
#include "engine/streamingioexecutor.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/waitgroup.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

namespace trevlamark {

// How worker threads reach the manager: posting to the main thread goes
// through here, under a lock the destructor also takes, so a worker never
// posts to a manager that is being destroyed.
struct ManagerBridge
{
    std::mutex mutex;
    PerformanceTestManager *manager = nullptr;

    template<typename Function>
    void post(Function function)
    {
        std::lock_guard lock(mutex);
        if (!manager)
            return;
        PerformanceTestManager *target = manager;
        QMetaObject::invokeMethod(
            target, [target, function = std::move(function)]() { function(target); }, Qt::QueuedConnection);
    }

    bool alive()
    {
        std::lock_guard lock(mutex);
        return manager != nullptr;
    }
};

// Everything one run shares with its worker threads. A fresh context per run
// means a phase that outlives its stop records into its own run only.
struct RunContext
{
    explicit RunContext(std::shared_ptr<ManagerBridge> managerBridge)
        : bridge(std::move(managerBridge))
    {
    }

    std::shared_ptr<ManagerBridge> bridge;
    std::atomic<bool> cancelRequested{false};
    WaitGroup fileOperationsGroup;
    ProgressCounters counters;

    // The phase bookkeeping; written by phase bodies, read by the result builder.
    mutable std::mutex bookkeepingMutex;
    QMap<QString, QVariantMap> phaseResults;
    quint64 readTotalBytes = 0;
    quint64 writeTotalBytes = 0;
    double readTotalDuration = 0;
    double writeTotalDuration = 0;
    double cumulativeReadTime = 0;
    double cumulativeWriteTime = 0;
    std::optional<QDateTime> lastReadEndTime;
    std::optional<QDateTime> lastWriteEndTime;
    QList<TimelineMarker> timelineMarkers;

    void addTimelineMarker(const QDateTime &timestamp, const QString &message, const QString &type)
    {
        {
            std::lock_guard lock(bookkeepingMutex);
            timelineMarkers.append(TimelineMarker{QUuid::createUuid(), timestamp, message, type});
        }
        LogManager::debug(QStringLiteral("Timeline marker: %1 at %2").arg(message, timestamp.toString()));
    }

    QList<TimelineMarker> markers() const
    {
        std::lock_guard lock(bookkeepingMutex);
        return timelineMarkers;
    }
};

struct PerformanceTestManager::PhasePlan
{
    PhaseKind kind = PhaseKind::Write;
    QStringList files;
    int queueDepth = 0;
    quint64 targetBytes = 0;
    qint64 chunkSizeBytes = 0;
    bool disableCache = true;
    int cycle = 0;
    QDateTime phaseStart;
    // Durations come from the steady clock: wall-clock dates have only
    // millisecond resolution and may jump.
    std::chrono::steady_clock::time_point phaseStartClock;
    std::shared_ptr<AlignedBuffer> data;
};

namespace {

constexpr double synchronizeTimeoutSeconds = 45;
constexpr double closeTimeoutSeconds = 10;
constexpr double verifyTimeoutSeconds = 10;
constexpr double cacheFlushTimeoutSeconds = 30;
constexpr int seedFileSizeBytes = 1024;
constexpr int uiUpdateIntervalMilliseconds = 100;

double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

QString shortestText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool writeZeroFile(const QString &path, QString *errorDescription)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(seedFileSizeBytes, '\0')) != seedFileSizeBytes
        || !file.commit()) {
        *errorDescription = file.errorString();
        return false;
    }
    return true;
}

} // namespace

PerformanceTestManager::PerformanceTestManager(ShareManager *shareManager, QObject *parent)
    : QObject(parent)
    , m_shareManager(shareManager)
    , m_bridge(std::make_shared<ManagerBridge>())
    , m_testStartTime(QDateTime::currentDateTime())
{
    m_bridge->manager = this;
    m_run = std::make_shared<RunContext>(m_bridge);
}

PerformanceTestManager::~PerformanceTestManager()
{
    {
        std::lock_guard lock(m_bridge->mutex);
        m_bridge->manager = nullptr;
    }
    m_run->cancelRequested.store(true);
    teardownProgressTimers();
    // Whatever state the run is in, its directory must not outlive it. Never
    // wait here: the workers drain and the removal runs on a thread of its own.
    if (m_currentTestDirectoryPath)
        removeTestDirectory(m_bridge, m_run, *m_currentTestDirectoryPath, m_testWriteFiles + m_testReadFiles);
}

double PerformanceTestManager::samplingRate() const
{
    return m_samplingRate;
}

void PerformanceTestManager::setSamplingRate(double seconds)
{
    m_samplingRate = seconds;
}

bool PerformanceTestManager::isRunning() const
{
    return m_isRunning;
}

bool PerformanceTestManager::isRunningStreamTest() const
{
    return m_isRunningStreamTest;
}

bool PerformanceTestManager::cancelRequested() const
{
    return m_run->cancelRequested.load();
}

void PerformanceTestManager::setCancelRequested(bool value)
{
    m_run->cancelRequested.store(value);
}

std::optional<QString> PerformanceTestManager::currentTestDirectoryPath() const
{
    return m_currentTestDirectoryPath;
}

QMap<QString, QVariantMap> PerformanceTestManager::phaseResults() const
{
    std::lock_guard lock(m_run->bookkeepingMutex);
    return m_run->phaseResults;
}

QList<TimelineMarker> PerformanceTestManager::timelineMarkers() const
{
    return m_run->markers();
}

void PerformanceTestManager::addTimelineMarker(const QDateTime &timestamp, const QString &message, const QString &type)
{
    m_run->addTimelineMarker(timestamp, message, type);
}

void PerformanceTestManager::startStreamingTest(const NetworkShare &share, ThroughputTestOptions chunkSize,
    int queueDepth, BytesPerCycleOptions bytesPerCycle, quint64 customBytesPerCycle, int totalCycles,
    bool disableCache, const QString &locationPath, bool writePhaseEnabled, bool readPhaseEnabled,
    StreamProgressHandler progressHandler, TestCompletionHandler completionHandler)
{
    if (m_isRunning) {
        if (completionHandler)
            completionHandler(PerformanceTestResult::failure(QStringLiteral("A test is already running")));
        return;
    }

    m_isRunning = true;
    m_isRunningStreamTest = true;
    m_run = std::make_shared<RunContext>(m_bridge);
    m_streamResults.clear();
    m_testStartTime = QDateTime::currentDateTime();

    m_initialWritePhaseEnabled = writePhaseEnabled;
    m_writePhaseEnabled = writePhaseEnabled;
    m_readPhaseEnabled = readPhaseEnabled;
    if (!writePhaseEnabled && readPhaseEnabled) {
        LogManager::info(QStringLiteral("First cycle with disabled write phase - performing minimal write to create data"));
        m_writePhaseEnabled = true;
    }

    m_currentPhaseId = 0;
    m_currentCycleCount = 1;
    m_totalCycles = totalCycles;

    m_bytesPerCycle = resolvedBytesPerCycle(bytesPerCycle, customBytesPerCycle);

    const quint64 chunk = quint64(chunkSizeBytes(chunkSize));
    const quint64 adjusted = (m_bytesPerCycle / chunk) * chunk;
    if (adjusted != m_bytesPerCycle) {
        LogManager::debug(QStringLiteral("Adjusted target bytes from %1 to %2 to ensure divisibility by chunk size %3")
                              .arg(m_bytesPerCycle)
                              .arg(adjusted)
                              .arg(chunk));
    }
    m_totalBytesTargetPerPhase = adjusted;
    m_bytesProcessedInCurrentPhase = 0;

    m_share = share;
    m_locationPath = locationPath;
    m_chunkSize = chunkSize;
    m_queueDepth = queueDepth;
    m_disableCache = disableCache;
    m_progressHandler = std::move(progressHandler);
    m_completionHandler = std::move(completionHandler);

    LogManager::info(QStringLiteral("\n \n ________________________\n Starting test with options:\n  bytes per cycle = %1"
                                    "\n  total cycles = %2\n  queue depth = %3\n  chunk size = %4\n  disable cache = %5")
                         .arg(displayText(bytesPerCycle))
                         .arg(totalCycles)
                         .arg(queueDepth)
                         .arg(displayText(chunkSize), disableCache ? QStringLiteral("true") : QStringLiteral("false")));
    LogManager::info(QStringLiteral("Starting test with cycle #%1, phase: write, target bytes: %2")
                         .arg(m_currentCycleCount)
                         .arg(m_totalBytesTargetPerPhase));

    m_randomDataBuffer = FileOperationUtility::createRandomDataBuffer(qint64(chunk));
    if (!m_randomDataBuffer)
        m_randomDataBuffer = AlignedBuffer::create(chunk);

    QString base = locationPath;
    if (base.isEmpty())
        base = share.mountPath;
    if (base.isEmpty()) {
        LogManager::warning(QStringLiteral("No valid location or mount path provided for test directory"));
        base = QDir::tempPath();
    }
    const QString directory = base + QLatin1Char('/') + QLatin1String(testFolderName) + QLatin1Char('_')
        + QString::number(QDateTime::currentSecsSinceEpoch());
    m_currentTestDirectoryPath = directory;

    if (locationPath.isEmpty() && share.mountPath.isEmpty()) {
        const QString message = QStringLiteral("No valid test location provided");
        LogManager::error(message);
        m_isRunning = false;
        m_isRunningStreamTest = false;
        m_currentTestDirectoryPath.reset();
        if (m_completionHandler)
            m_completionHandler(PerformanceTestResult::failure(message));
        return;
    }

    m_currentTestLocationPath = locationPath.isEmpty() ? share.mountPath : locationPath;
    m_currentInterfaceInfo.reset();

    struct PreparedDirectory
    {
        bool created = false;
        QStringList seedFiles;
    };
    const std::optional<PreparedDirectory> prepared =
        DetachedThreads::runWithin<PreparedDirectory>(createWaitSeconds, [directory, queueDepth] {
            PreparedDirectory result;
            result.created = createTestDirectory(directory);
            if (result.created)
                result.seedFiles = createSeedFiles(directory, queueDepth);
            return result;
        });
    if (!prepared) {
        LogManager::error(QStringLiteral("Error creating test directory: the location did not answer within %1 seconds")
                              .arg(createWaitSeconds));
    }
    if (!prepared || !prepared->created) {
        m_isRunning = false;
        m_isRunningStreamTest = false;
        m_currentTestDirectoryPath.reset();
        QTimer::singleShot(0, this, [handler = m_completionHandler] {
            if (handler)
                handler(PerformanceTestResult::failure(QStringLiteral("Failed to create test directory")));
        });
        return;
    }

    m_activeStreamType = QStringLiteral("write");
    m_testWriteFiles = prepared->seedFiles;
    m_testReadFiles.clear();

    setupProgressTimers();
    startPhase(PhaseKind::Write);
}

bool PerformanceTestManager::createTestDirectory(const QString &path)
{
    if (!QDir().mkpath(path)) {
        const int code = errno;
        LogManager::error(QStringLiteral("Error creating test directory: ") + QString::fromLocal8Bit(std::strerror(code)));
        return false;
    }
    if (!QFileInfo(path).isDir()) {
        LogManager::error(QStringLiteral("Directory doesn't exist after creation attempt: ") + path);
        return false;
    }
    LogManager::info(QStringLiteral("Created test directory: ") + path);
    return true;
}

QStringList PerformanceTestManager::createSeedFiles(const QString &directory, int queueDepth)
{
    QStringList created;
    for (int i = 0; i < queueDepth; ++i) {
        const QString path = directory + QStringLiteral("/streaming_write_initial_%1.dat").arg(i);
        QString error;
        if (writeZeroFile(path, &error)) {
            created.append(path);
            LogManager::debug(QStringLiteral("Created initial file with content: ") + QFileInfo(path).fileName());
        } else {
            LogManager::error(QStringLiteral("Error creating initial file: ") + error);
        }
    }
    return created;
}

QStringList PerformanceTestManager::createCycleFiles(const QString &directory, int queueDepth, int cycle)
{
    QStringList created;
    for (int i = 0; i < queueDepth; ++i) {
        const QString path = directory + QStringLiteral("/streaming_write_%1_%2.dat").arg(cycle).arg(i);
        QString error;
        if (writeZeroFile(path, &error)) {
            created.append(path);
            LogManager::debug(QStringLiteral("Created cycle file with content: ") + path);
        } else {
            LogManager::warning(QStringLiteral("Error creating cycle file: ") + error);
        }
    }
    return created;
}

// A location that stops answering between cycles leaves the phase without
// files, and the phase then fails the run the usual way.
void PerformanceTestManager::startCycleFiles(int cycle)
{
    const QString directory = *m_currentTestDirectoryPath;
    const int queueDepth = m_queueDepth;
    const std::optional<QStringList> created = DetachedThreads::runWithin<QStringList>(
        createWaitSeconds, [directory, queueDepth, cycle] { return createCycleFiles(directory, queueDepth, cycle); });
    if (!created) {
        LogManager::warning(QStringLiteral("Error creating cycle file: the location did not answer within %1 seconds")
                                .arg(createWaitSeconds));
    }
    m_testWriteFiles = created.value_or(QStringList());
}

void PerformanceTestManager::setupProgressTimers()
{
    teardownProgressTimers();
    m_run->counters.phaseBytes.store(0);
    m_run->counters.intervalBytes.store(0);
    m_sampleClock.start();
    m_lastSampleNanoseconds = 0;
    m_samplerIntervalSeconds = m_samplingRate;

    m_globalUiUpdateTimer = new QTimer(this);
    m_globalUiUpdateTimer->setTimerType(Qt::PreciseTimer);
    m_globalUiUpdateTimer->setInterval(uiUpdateIntervalMilliseconds);
    connect(m_globalUiUpdateTimer, &QTimer::timeout, this,
        [this] { m_bytesProcessedInCurrentPhase = m_run->counters.phaseBytes.load(); });
    m_globalUiUpdateTimer->start();

    m_globalProgressTimer = new QTimer(this);
    m_globalProgressTimer->setTimerType(Qt::PreciseTimer);
    m_globalProgressTimer->setInterval(std::max(1, int(m_samplerIntervalSeconds * 1000.0)));
    connect(m_globalProgressTimer, &QTimer::timeout, this, &PerformanceTestManager::takeSample);
    m_globalProgressTimer->start();
}

void PerformanceTestManager::teardownProgressTimers()
{
    delete m_globalProgressTimer;
    m_globalProgressTimer = nullptr;
    delete m_globalUiUpdateTimer;
    m_globalUiUpdateTimer = nullptr;
}

void PerformanceTestManager::takeSample()
{
    const qint64 nowNanoseconds = m_sampleClock.nsecsElapsed();
    const double elapsed = double(nowNanoseconds - m_lastSampleNanoseconds) / 1e9;
    if (elapsed < m_samplerIntervalSeconds)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const quint64 intervalBytes = m_run->counters.intervalBytes.exchange(0);
    const double throughput = double(intervalBytes) / elapsed * bytesToMegabytes;
    const quint64 phaseBytes = m_run->counters.phaseBytes.load();
    const QString operation = m_activeStreamType;
    double cumulative;
    {
        std::lock_guard lock(m_run->bookkeepingMutex);
        cumulative = operation == QLatin1String("write") ? m_run->cumulativeWriteTime : m_run->cumulativeReadTime;
    }
    const double seconds = double(nowNanoseconds) / 1e9 + cumulative;
    m_streamResults.append(StreamResult{now, operation, throughput, seconds, m_currentPhaseId});

    const double fraction = m_totalBytesTargetPerPhase == 0 ? 0.0 : double(phaseBytes) / double(m_totalBytesTargetPerPhase);
    m_lastSampleNanoseconds = nowNanoseconds;
    callProgressHandler(fraction, progressMessage(m_currentCycleCount, m_totalCycles, operation, fraction));
}

QString PerformanceTestManager::progressMessage(int cycle, int totalCycles, const QString &operation, double fraction)
{
    QString capitalised = operation;
    if (!capitalised.isEmpty())
        capitalised[0] = capitalised[0].toUpper();
    return QStringLiteral("Cycle %1/%2 %3 - %4%")
        .arg(cycle)
        .arg(totalCycles)
        .arg(capitalised, QString::number(fraction * 100.0, 'f', 0));
}

void PerformanceTestManager::callProgressHandler(double progress, const QString &message)
{
    if (m_progressHandler) {
        m_progressHandler(progress, message, m_streamResults, m_run->markers(), m_activeStreamType,
            m_currentCycleCount, m_currentPhaseId);
    }
}

void PerformanceTestManager::startPhase(PhaseKind kind)
{
    PhasePlan plan;
    plan.kind = kind;
    plan.queueDepth = m_queueDepth;
    plan.targetBytes = m_totalBytesTargetPerPhase;
    plan.chunkSizeBytes = chunkSizeBytes(m_chunkSize);
    plan.disableCache = m_disableCache;
    plan.cycle = m_currentCycleCount;

    if (kind == PhaseKind::Write) {
        if (!m_randomDataBuffer || m_randomDataBuffer->size() != size_t(plan.chunkSizeBytes)) {
            m_randomDataBuffer = FileOperationUtility::createRandomDataBuffer(plan.chunkSizeBytes);
            if (!m_randomDataBuffer)
                m_randomDataBuffer = AlignedBuffer::create(size_t(plan.chunkSizeBytes));
        }
        plan.files = m_testWriteFiles;
        plan.data = m_randomDataBuffer;
    } else {
        plan.files = m_testReadFiles;
    }

    const QString type = kind == PhaseKind::Write ? QStringLiteral("write") : QStringLiteral("read");
    plan.phaseStart = QDateTime::currentDateTime();
    plan.phaseStartClock = std::chrono::steady_clock::now();
    addTimelineMarker(plan.phaseStart, kind == PhaseKind::Write ? QStringLiteral("Start write phase")
                                                                : QStringLiteral("Start read phase"),
        type);
    m_bytesProcessedInCurrentPhase = 0;
    LogManager::info(QStringLiteral("\n \n Starting %1 phase...").arg(type));

    m_run->fileOperationsGroup.enter();
    DetachedThreads::start([run = m_run, plan = std::move(plan)] { runPhaseBody(run, plan); });
}

void PerformanceTestManager::runPhaseBody(const std::shared_ptr<RunContext> &run, const PhasePlan &plan)
{
    const bool isWrite = plan.kind == PhaseKind::Write;
    const QString type = isWrite ? QStringLiteral("write") : QStringLiteral("read");
    if (!run->bridge->alive()) {
        run->fileOperationsGroup.leave();
        return;
    }

    const FileHandleList handles = FileOperationUtility::openFileHandles(plan.files, isWrite, plan.disableCache);
    if (handles.empty()) {
        const QString message = QStringLiteral("No valid file handles created for %1 test").arg(type);
        if (isWrite)
            LogManager::error(message);
        else
            LogManager::warning(message);
        // Without files the run cannot go on; end it as a failure instead of
        // leaving it waiting for a stop nobody may press.
        run->bridge->post([run, message](PerformanceTestManager *manager) {
            if (manager->m_run == run)
                manager->failRun(message);
        });
        run->fileOperationsGroup.leave();
        return;
    }

    run->counters.phaseBytes.store(0);
    const StreamingIOOutcome outcome = StreamingIOExecutor::run(handles, plan.targetBytes,
        isWrite ? StreamingIOExecutor::Mode::Write : StreamingIOExecutor::Mode::Read, plan.queueDepth,
        plan.chunkSizeBytes, plan.data.get(), run->counters, run->cancelRequested);
    run->addTimelineMarker(outcome.ioEnd, QStringLiteral("I/O operations complete"), type);

    const auto postPhaseBytes = [run] {
        run->bridge->post([run](PerformanceTestManager *manager) {
            if (manager->m_run == run)
                manager->m_bytesProcessedInCurrentPhase = run->counters.phaseBytes.load();
        });
    };

    if (!isWrite) {
        postPhaseBytes();
        const VerificationResult verification =
            FileOperationUtility::verifyFileHandlesClosed(plan.files, verifyTimeoutSeconds);
        if (!verification.allVerified)
            LogManager::warning(QStringLiteral("Some read files could not be verified as closed - proceeding anyway"));
    }

    FileOperationUtility::synchronizeFiles(handles, plan.files, !isWrite, synchronizeTimeoutSeconds);
    const QDateTime syncEnd = QDateTime::currentDateTime();
    const auto syncEndClock = std::chrono::steady_clock::now();
    if (PreferencesManager::isDeveloperMode())
        run->addTimelineMarker(syncEnd, QStringLiteral("Synced files"), type);
    if (isWrite)
        postPhaseBytes();

    const QDateTime phaseEnd = QDateTime::currentDateTime();
    const double duration = secondsBetween(plan.phaseStartClock, std::chrono::steady_clock::now());
    run->addTimelineMarker(phaseEnd, isWrite ? QStringLiteral("End write phase") : QStringLiteral("End read phase"), type);

    FileOperationUtility::closeFilesSequentially(handles, plan.files, !isWrite, closeTimeoutSeconds);
    const QDateTime closeEnd = QDateTime::currentDateTime();
    const auto closeEndClock = std::chrono::steady_clock::now();
    if (PreferencesManager::isDeveloperMode())
        run->addTimelineMarker(closeEnd, QStringLiteral("Closed files"), type);

    const double ioToSync = secondsBetween(outcome.ioEndClock, syncEndClock) * 1000.0;
    const double syncToClose = secondsBetween(syncEndClock, closeEndClock) * 1000.0;
    const double total = secondsBetween(outcome.ioEndClock, closeEndClock) * 1000.0;
    LogManager::info(QStringLiteral("%1 phase latencies: I/O→Sync: %2ms, Sync→Close: %3ms, Total: %4ms")
                         .arg(isWrite ? QStringLiteral("Write") : QStringLiteral("Read"))
                         .arg(ioToSync, 0, 'f', 1)
                         .arg(syncToClose, 0, 'f', 1)
                         .arg(total, 0, 'f', 1));

    const QString key = QStringLiteral("cycle_%1_%2").arg(plan.cycle).arg(type);
    const double throughput = duration > 0 ? double(outcome.bytes) / duration * bytesToMegabytes : 0.0;
    qsizetype resultCount;
    {
        std::lock_guard lock(run->bookkeepingMutex);
        run->phaseResults.insert(key, QVariantMap{
            {QStringLiteral("throughput"), throughput},
            {QStringLiteral("bytes"), QVariant::fromValue<quint64>(outcome.bytes)},
            {QStringLiteral("duration"), duration},
            {QStringLiteral("latency_io_sync"), ioToSync},
            {QStringLiteral("latency_sync_close"), syncToClose},
            {QStringLiteral("latency_total"), total},
        });
        resultCount = run->phaseResults.size();
        if (isWrite) {
            run->writeTotalBytes += outcome.bytes;
            run->writeTotalDuration += duration;
            run->cumulativeWriteTime += duration;
            run->lastWriteEndTime = phaseEnd;
        } else {
            run->readTotalBytes += outcome.bytes;
            run->readTotalDuration += duration;
            run->cumulativeReadTime += duration;
            run->lastReadEndTime = phaseEnd;
        }
    }
    Console::print(QStringLiteral("DEBUG: Stored phase results for key: ") + key);
    Console::print(QStringLiteral("DEBUG: Current phaseResults count: %1").arg(resultCount));
    LogManager::info(QStringLiteral("%1 phase completed in %2 seconds, %3 MB %4")
                         .arg(isWrite ? QStringLiteral("Write") : QStringLiteral("Read"))
                         .arg(duration, 0, 'f', 2)
                         .arg(outcome.bytes >> 20)
                         .arg(isWrite ? QStringLiteral("written") : QStringLiteral("read")));

    // A failed phase did not complete: the progress stays where it stopped.
    if (outcome.errorCode == 0) {
        run->bridge->post([run, isWrite](PerformanceTestManager *manager) {
            if (manager->m_run == run)
                manager->callProgressHandler(1.0, isWrite ? QStringLiteral("Completing write phase...")
                                                          : QStringLiteral("Completing read phase..."));
        });
    }
    if (!isWrite)
        LogManager::debug(QStringLiteral("Read operations completed, leaving dispatch group"));

    if (outcome.errorCode != 0) {
        // A failed transfer ends the run: what was recorded so far stays in
        // the result, which says what went wrong.
        const QString message = QStringLiteral("%1 failed: %2")
                                    .arg(isWrite ? QStringLiteral("Write") : QStringLiteral("Read"),
                                        QString::fromLocal8Bit(std::strerror(outcome.errorCode)));
        LogManager::error(message);
        run->bridge->post([run, message](PerformanceTestManager *manager) {
            if (manager->m_run == run)
                manager->failRun(message);
        });
    } else {
        run->bridge->post([run, isWrite](PerformanceTestManager *manager) {
            if (manager->m_run != run)
                return;
            if (isWrite)
                manager->afterWritePhase();
            else
                manager->afterReadPhase();
        });
    }
    run->fileOperationsGroup.leave();
}

void PerformanceTestManager::afterWritePhase()
{
    if (m_run->cancelRequested.load()) {
        LogManager::info(QStringLiteral("Stop requested"));
        return;
    }
    if (m_currentCycleCount == 1 && !m_initialWritePhaseEnabled) {
        LogManager::info(QStringLiteral("Initial writes complete, proceeding to read phase"));
        m_writePhaseEnabled = false;
    }
    if (!m_readPhaseEnabled) {
        ++m_currentCycleCount;
        if (m_currentCycleCount > m_totalCycles) {
            LogManager::info(QStringLiteral("\n \n Completed all %1 cycles with skipped read phases. Auto-stopping test.")
                                 .arg(m_totalCycles));
            autoStop(std::nullopt);
            return;
        }
        LogManager::info(QStringLiteral("Starting cycle #%1 (skipping read phase)").arg(m_currentCycleCount));
        m_activeStreamType = QStringLiteral("write");
        ++m_currentPhaseId;
        m_bytesProcessedInCurrentPhase = 0;
        startCycleFiles(m_currentCycleCount);
        startPhase(PhaseKind::Write);
        return;
    }
    m_activeStreamType = QStringLiteral("read");
    ++m_currentPhaseId;
    m_bytesProcessedInCurrentPhase = 0;
    m_testReadFiles = m_testWriteFiles;
    startPhase(PhaseKind::Read);
}

void PerformanceTestManager::afterReadPhase()
{
    if (m_run->cancelRequested.load()) {
        LogManager::info(QStringLiteral("Stop requested."));
        return;
    }
    if (m_currentCycleCount >= m_totalCycles) {
        LogManager::info(QStringLiteral("\n \n Completed all %1 cycles. Auto-stopping test.").arg(m_totalCycles));
        autoStop(std::nullopt);
        return;
    }
    ++m_currentCycleCount;
    LogManager::info(QStringLiteral("Starting cycle #%1").arg(m_currentCycleCount));
    if (m_writePhaseEnabled) {
        m_activeStreamType = QStringLiteral("write");
        ++m_currentPhaseId;
        m_bytesProcessedInCurrentPhase = 0;
        startCycleFiles(m_currentCycleCount);
        startPhase(PhaseKind::Write);
        return;
    }
    LogManager::info(QStringLiteral("Skipping write phase for cycle #%1 (write phase disabled)").arg(m_currentCycleCount));
    m_activeStreamType = QStringLiteral("read");
    ++m_currentPhaseId;
    m_bytesProcessedInCurrentPhase = 0;
    if (!m_disableCache) {
        const VerificationResult verification =
            FileOperationUtility::verifyFileHandlesClosed(m_testReadFiles, verifyTimeoutSeconds);
        if (!verification.allVerified)
            LogManager::warning(QStringLiteral("Some files could not be verified as closed - proceeding with explicit close anyway"));
        if (PreferencesManager::isDeveloperMode())
            addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Verify closed"), QStringLiteral("write"));
        LogManager::info(QStringLiteral("Flushing filesystem cache"));
        FileOperationUtility::enhancedCacheFlush(m_testReadFiles, cacheFlushTimeoutSeconds);
        if (PreferencesManager::isDeveloperMode())
            addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Flushed cache"), QStringLiteral("read"));
    }
    startPhase(PhaseKind::Read);
}

void PerformanceTestManager::failRun(const QString &errorMessage)
{
    if (!m_isRunning || m_run->cancelRequested.load())
        return;
    autoStop(errorMessage);
}

void PerformanceTestManager::autoStop(const std::optional<QString> &errorMessage)
{
    const QString interfaceInfo = m_currentInterfaceInfo.value_or(m_currentTestLocationPath.value_or(QStringLiteral("Unknown")));
    const StreamTestOptions options{m_chunkSize, m_bytesPerCycle, m_totalCycles, m_disableCache, m_queueDepth};
    finishStop(m_share, m_locationPath, true, interfaceInfo, options, errorMessage, m_completionHandler);
}

void PerformanceTestManager::stopStreamingTest(const NetworkShare &share, const QString &locationPath, bool isAutoStop,
    const std::optional<QString> &interfaceInfo, const std::optional<StreamTestOptions> &options,
    TestCompletionHandler completionHandler)
{
    finishStop(share, locationPath, isAutoStop, interfaceInfo, options, std::nullopt, std::move(completionHandler));
}

void PerformanceTestManager::finishStop(const NetworkShare &share, const QString &locationPath, bool isAutoStop,
    const std::optional<QString> &interfaceInfo, const std::optional<StreamTestOptions> &options,
    const std::optional<QString> &errorMessage, TestCompletionHandler completionHandler)
{
    if (interfaceInfo)
        m_currentInterfaceInfo = interfaceInfo;
    const StreamTestOptions resolved = options.value_or(StreamTestOptions{});

    m_run->cancelRequested.store(true);
    LogManager::debug(QStringLiteral("Waiting for all file operations to complete before stopping test"));
    if (m_run->fileOperationsGroup.waitFor(stopWaitSeconds))
        LogManager::info(QStringLiteral("All file operations completed, proceeding with test completion"));
    else
        LogManager::warning(QStringLiteral("Timed out waiting for file operations to complete after 10 seconds"));

    teardownProgressTimers();

    const int cyclesValue = isAutoStop ? resolved.totalCycles : m_currentCycleCount;
    const PerformanceTestResult result = buildTestResult(share, locationPath, isAutoStop, resolved.disableCache,
        resolved.chunkSize, resolved.bytesPerCycle, resolved.totalCycles, cyclesValue, m_currentInterfaceInfo,
        resolved.queueDepth, errorMessage);

    m_isRunningStreamTest = false;
    m_isRunning = false;

    QTimer::singleShot(0, this, [this, result, handler = std::move(completionHandler)] {
        // The handler may destroy the manager; its destructor then removes
        // the directory instead.
        const QPointer<PerformanceTestManager> alive(this);
        if (handler)
            handler(result);
        if (alive)
            cleanupCurrentTestDirectory();
    });
}

PerformanceTestResult PerformanceTestManager::buildTestResult(const NetworkShare &share, const QString &locationPath,
    bool isAutoStop, bool disableCache, ThroughputTestOptions chunkSize, quint64 bytesPerCycle, int targetCycles,
    int cyclesValue, const std::optional<QString> &interfaceInfo, int queueDepth,
    const std::optional<QString> &errorMessage) const
{
    quint64 readBytes;
    quint64 writeBytes;
    double readDuration;
    double writeDuration;
    {
        std::lock_guard lock(m_run->bookkeepingMutex);
        readBytes = m_run->readTotalBytes;
        writeBytes = m_run->writeTotalBytes;
        readDuration = m_run->readTotalDuration;
        writeDuration = m_run->writeTotalDuration;
    }
    const double readSpeed = readDuration > 0 ? double(readBytes) / readDuration * bytesToMegabytes : 0.0;
    const double writeSpeed = writeDuration > 0 ? double(writeBytes) / writeDuration * bytesToMegabytes : 0.0;
    LogManager::info(QStringLiteral("Calculated read speed: %1 MB/s from %2 MB in %3 seconds")
                         .arg(readSpeed, 0, 'f', 2)
                         .arg(double(readBytes) * bytesToMegabytes, 0, 'f', 2)
                         .arg(readDuration, 0, 'f', 2));
    LogManager::info(QStringLiteral("Calculated write speed: %1 MB/s from %2 MB in %3 seconds")
                         .arg(writeSpeed, 0, 'f', 2)
                         .arg(double(writeBytes) * bytesToMegabytes, 0, 'f', 2)
                         .arg(writeDuration, 0, 'f', 2));

    PerformanceTestResult result;
    result.timestamp = QDateTime::currentDateTime();
    result.metrics.insert(QStringLiteral("readSpeed"), readSpeed);
    result.metrics.insert(QStringLiteral("writeSpeed"), writeSpeed);

    auto &details = result.details;
    details.insert(QStringLiteral("testType"), QStringLiteral("Streaming I/O Test"));
    details.insert(QStringLiteral("chunkSize"), displayText(chunkSize));
    details.insert(QStringLiteral("bytesPerCycle"),
        QLocale().formattedDataSize(qint64(bytesPerCycle), 2, QLocale::DataSizeIecFormat));
    details.insert(QStringLiteral("queueDepth"), QString::number(queueDepth));
    details.insert(QStringLiteral("disableCache"), disableCache ? QStringLiteral("Disabled") : QStringLiteral("Enabled"));
    if (errorMessage) {
        // A run that ended on a failure reports how far it got, as a stopped one.
        details.insert(QStringLiteral("totalCycles"), QString::number(m_currentCycleCount));
        details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Failed"));
        details.insert(QStringLiteral("targetCycles"), QString::number(targetCycles));
    } else if (!isAutoStop) {
        details.insert(QStringLiteral("totalCycles"), QString::number(cyclesValue));
        details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Manually stopped"));
        details.insert(QStringLiteral("targetCycles"), QString::number(targetCycles));
    } else {
        details.insert(QStringLiteral("totalCycles"), QString::number(targetCycles));
        details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Complete"));
    }
    details.insert(QStringLiteral("writePhaseEnabled"), m_writePhaseEnabled ? QStringLiteral("Yes") : QStringLiteral("No"));
    details.insert(QStringLiteral("readPhaseEnabled"), m_readPhaseEnabled ? QStringLiteral("Yes") : QStringLiteral("No"));
    details.insert(QStringLiteral("testPath"),
        locationPath.isEmpty() ? QStringLiteral("/Volumes/") + share.shareName : locationPath);
    if (interfaceInfo && !interfaceInfo->isEmpty())
        details.insert(QStringLiteral("interfaceInfo"), *interfaceInfo);
    if (readBytes != 0) {
        details.insert(QStringLiteral("totalReadBytes"), QString::number(readBytes));
        details.insert(QStringLiteral("readTime"), shortestText(readDuration));
    }
    if (writeBytes != 0) {
        details.insert(QStringLiteral("totalWriteBytes"), QString::number(writeBytes));
        details.insert(QStringLiteral("writeTime"), shortestText(writeDuration));
    }

    result.cycleResults = buildCycleResults();
    result.success = !errorMessage.has_value();
    result.errorMessage = errorMessage;
    result.isAutoStop = isAutoStop;
    return result;
}

QList<CycleResult> PerformanceTestManager::buildCycleResults() const
{
    const QMap<QString, QVariantMap> results = phaseResults();
    QMap<int, CycleResult> cycles;
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        const QString &key = it.key();
        bool ok = false;
        int cycle = key.section(QLatin1Char('_'), 1, 1).toInt(&ok);
        if (!ok)
            cycle = 0;
        CycleResult &entry = cycles[cycle];
        entry.cycleNumber = cycle;
        const QVariantMap &values = it.value();
        const auto number = [&values](const char *name) {
            const QVariant value = values.value(QLatin1String(name));
            return value.typeId() == QMetaType::Double ? value.toDouble() : 0.0;
        };
        PhaseResult phase;
        phase.throughput = number("throughput");
        const QVariant bytes = values.value(QStringLiteral("bytes"));
        phase.bytes = bytes.typeId() == QMetaType::ULongLong ? bytes.toULongLong() : 0;
        phase.duration = number("duration");
        phase.latencyIOToSync = number("latency_io_sync");
        phase.latencySyncToClose = number("latency_sync_close");
        phase.latencyTotal = number("latency_total");
        if (key.contains(QLatin1String("_write")))
            entry.writePhase = phase;
        else if (key.contains(QLatin1String("_read")))
            entry.readPhase = phase;
    }
    return cycles.values();
}

void PerformanceTestManager::cleanupCurrentTestDirectory()
{
    if (!m_currentTestDirectoryPath) {
        LogManager::warning(QStringLiteral("No test directory path to clean up"));
        emit testDirectoryCleanupFinished(QString(), false);
        return;
    }
    const QString path = *m_currentTestDirectoryPath;
    const QStringList lingering = m_testWriteFiles + m_testReadFiles;
    m_testWriteFiles.clear();
    m_testReadFiles.clear();
    m_currentTestDirectoryPath.reset();
    removeTestDirectory(m_bridge, nullptr, path, lingering);
}

void PerformanceTestManager::removeTestDirectory(const std::shared_ptr<ManagerBridge> &bridge,
    const std::shared_ptr<RunContext> &runToDrain, const QString &path, const QStringList &lingeringFiles)
{
    DetachedThreads::start([bridge, runToDrain, path, lingeringFiles] {
        if (runToDrain)
            runToDrain->fileOperationsGroup.waitFor(stopWaitSeconds);
        const DeletionResult deletion = FileOperationUtility::deleteDirectoryWithRetry(path, cleanupAttempts);
        if (deletion.success) {
            LogManager::info(QStringLiteral("Removed test directory: ") + path);
        } else {
            LogManager::warning(QStringLiteral("Failed to delete directory after %1 attempts: %2")
                                    .arg(deletion.attempts)
                                    .arg(deletion.lastError.value_or(QStringLiteral("Unknown error"))));
            LogManager::warning(QStringLiteral("Test directory must be manually deleted server side."));
            FileOperationUtility::forceCloseLingeringHandles(lingeringFiles);
        }
        bridge->post([path, removed = deletion.success](PerformanceTestManager *manager) {
            emit manager->testDirectoryCleanupFinished(path, removed);
        });
    });
}

} // namespace trevlamark
