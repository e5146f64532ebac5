#include "engine/performancetestmanager.h"

#include "platform/logcategories.h"
#include "engine/chunkstamp.h"
#include "engine/fileoperationutility.h"
#include "engine/mainthreadbridge.h"
#include "engine/phaserunner.h"
#include "engine/resultbuilder.h"
#include "engine/runcontext.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"

#include <QDir>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

namespace trevlamark {

PerformanceTestManager::PerformanceTestManager(QObject *parent)
    : QObject(parent)
    , m_bridge(std::make_shared<MainThreadBridge>(this))
    , m_run(std::make_shared<RunContext>(m_bridge))
{
}

PerformanceTestManager::~PerformanceTestManager()
{
    m_bridge->detach();
    m_run->cancelRequested.store(true);
    m_sampler.stop();
    m_marker.reset();
    // Whatever state the run is in, its directory must not outlive it. Never
    // wait here: the workers drain and the removal runs on a thread of its own.
    if (m_testDirectoryPath)
        removeTestDirectory(m_bridge, m_run, *m_testDirectoryPath, this);
}

bool PerformanceTestManager::cancelRequested() const
{
    return m_run->cancelRequested.load();
}

void PerformanceTestManager::setCancelRequested(bool value)
{
    m_run->cancelRequested.store(value);
}

QList<TimelineMarker> PerformanceTestManager::timelineMarkers() const
{
    return m_run->timelineMarkers();
}

QString PerformanceTestManager::progressMessage(int cycle, int totalCycles, Phase phase, double fraction)
{
    return QStringLiteral("Cycle %1/%2 %3 - %4%")
        .arg(cycle)
        .arg(totalCycles)
        .arg(phaseTitle(phase), QString::number(fraction * 100.0, 'f', 0));
}

void PerformanceTestManager::start(const TestRequest &request, StreamProgressHandler progressHandler,
    TestCompletionHandler completionHandler)
{
    if (m_isRunning) {
        if (completionHandler)
            completionHandler(PerformanceTestResult::failure(QStringLiteral("A test is already running")));
        return;
    }
    m_isRunning = true;
    m_run = std::make_shared<RunContext>(m_bridge);
    m_request = request;
    m_progressHandler = std::move(progressHandler);
    m_completionHandler = std::move(completionHandler);

    m_writePhaseEnabled = request.writePhaseEnabled;
    m_readPhaseEnabled = request.readPhaseEnabled;
    if (!request.writePhaseEnabled && request.readPhaseEnabled) {
        qCInfo(lcEngine).noquote() << QStringLiteral("First cycle with disabled write phase - performing minimal write to create data");
        m_writePhaseEnabled = true;
    }
    m_phaseId = 0;
    m_cycle = 1;

    const quint64 chunk = quint64(chunkSizeBytes(request.chunkSize));
    m_targetBytesPerPhase = request.targetBytesPerPhase();
    if (m_targetBytesPerPhase != request.resolvedBytesPerCycle()) {
        qCDebug(lcEngine).noquote() << QStringLiteral("Adjusted target bytes from %1 to %2 to ensure divisibility by chunk size %3")
                                           .arg(request.resolvedBytesPerCycle())
                                           .arg(m_targetBytesPerPhase)
                                           .arg(chunk);
    }
    qCInfo(lcEngine).noquote() << QStringLiteral("\n \n ________________________\n Starting test with options:\n  bytes per cycle = %1"
                                                 "\n  total cycles = %2\n  queue depth = %3\n  chunk size = %4\n  disable cache = %5"
                                                 "\n  verify data = %6")
                                      .arg(displayText(request.bytesPerCycle))
                                      .arg(request.totalCycles)
                                      .arg(request.queueDepth)
                                      .arg(displayText(request.chunkSize),
                                          request.disableCache ? QStringLiteral("true") : QStringLiteral("false"),
                                          request.verifyData ? QStringLiteral("true") : QStringLiteral("false"));
    qCInfo(lcEngine).noquote() << QStringLiteral("Starting test with cycle #%1, phase: write, target bytes: %2")
                                      .arg(m_cycle)
                                      .arg(m_targetBytesPerPhase);

    std::shared_ptr<AlignedBuffer> payload = FileOperationUtility::createRandomDataBuffer(qint64(chunk));
    if (!payload)
        payload = AlignedBuffer::create(chunk);
    // A fresh id per run keeps this run's chunks unlike any other run's.
    m_chunks = payload ? std::make_shared<const ChunkStamp>(std::move(payload), QRandomGenerator::system()->generate64())
                       : nullptr;

    if (request.testLocation().isEmpty()) {
        qCWarning(lcEngine).noquote() << QStringLiteral("No valid location or mount path provided for test directory");
        const QString message = QStringLiteral("No valid test location provided");
        qCCritical(lcEngine).noquote() << message;
        m_isRunning = false;
        if (m_completionHandler)
            m_completionHandler(PerformanceTestResult::failure(message));
        return;
    }
    if (!prepareTestDirectory()) {
        m_isRunning = false;
        QTimer::singleShot(0, this, [handler = m_completionHandler] {
            if (handler)
                handler(PerformanceTestResult::failure(QStringLiteral("Failed to create test directory")));
        });
        return;
    }

    m_readFiles.clear();
    m_sampler.start(request.samplingRateSeconds, std::shared_ptr<ProgressCounters>(m_run, &m_run->counters),
        [this](quint64 phaseBytes) {
            const double fraction =
                m_targetBytesPerPhase == 0 ? 0.0 : double(phaseBytes) / double(m_targetBytesPerPhase);
            callProgressHandler(fraction, progressMessage(m_cycle, m_request.totalCycles, m_phase, fraction));
        });
    startPhase(Phase::Write);
}

bool PerformanceTestManager::prepareTestDirectory()
{
    struct PreparedDirectory
    {
        std::optional<QString> path;
        std::shared_ptr<RunMarker> marker;
        QStringList seedFiles;
    };
    const QString location = m_request.testLocation();
    const qint64 startSeconds = QDateTime::currentSecsSinceEpoch();
    const int queueDepth = m_request.queueDepth;
    const std::optional<PreparedDirectory> prepared =
        DetachedThreads::runWithin<PreparedDirectory>(createWaitSeconds, [location, startSeconds, queueDepth] {
            PreparedDirectory result;
            result.path = TestDirectory::create(location, startSeconds);
            if (result.path) {
                result.marker = RunMarker::place(*result.path);
                result.seedFiles = TestDirectory::createSeedFiles(*result.path, queueDepth);
            }
            return result;
        });
    if (!prepared) {
        qCCritical(lcEngine).noquote() << QStringLiteral("Error creating test directory: the location did not answer within %1 seconds")
                                              .arg(createWaitSeconds);
    }
    if (!prepared || !prepared->path)
        return false;
    m_testDirectoryPath = prepared->path;
    m_marker = prepared->marker;
    m_writeFiles = prepared->seedFiles;
    return true;
}

// A location that stops answering between cycles leaves the phase without
// files, and the phase then fails the run the usual way.
void PerformanceTestManager::startCycleFiles(int cycle)
{
    const QString directory = *m_testDirectoryPath;
    const int queueDepth = m_request.queueDepth;
    const std::optional<QStringList> created = DetachedThreads::runWithin<QStringList>(createWaitSeconds,
        [directory, queueDepth, cycle] { return TestDirectory::createCycleFiles(directory, queueDepth, cycle); });
    if (!created) {
        qCWarning(lcEngine).noquote() << QStringLiteral("Error creating cycle file: the location did not answer within %1 seconds")
                                             .arg(createWaitSeconds);
    }
    m_writeFiles = created.value_or(QStringList());
}

void PerformanceTestManager::callProgressHandler(double progress, const QString &message)
{
    if (m_progressHandler) {
        m_progressHandler(progress, message, m_sampler.streamResults(), m_run->timelineMarkers(), phaseName(m_phase),
            m_cycle, m_phaseId);
    }
}

void PerformanceTestManager::startPhase(Phase phase)
{
    m_phase = phase;
    m_sampler.setPhase(phase, m_phaseId);

    PhasePlan plan;
    plan.phase = phase;
    plan.cycle = m_cycle;
    plan.queueDepth = m_request.queueDepth;
    plan.targetBytes = m_targetBytesPerPhase;
    plan.chunkSizeBytes = chunkSizeBytes(m_request.chunkSize);
    plan.disableCache = m_request.disableCache;
    plan.developerMode = m_request.developerMode;
    plan.files = phase == Phase::Write ? m_writeFiles : m_readFiles;
    plan.chunks = m_chunks;
    plan.verify = m_request.verifyData;
    const std::shared_ptr<RunContext> run = m_run;
    PhaseRunner::start(run, std::move(plan), [this, run, phase](const std::optional<QString> &failure) {
        phaseFinished(run, phase, failure);
    });
}

void PerformanceTestManager::phaseFinished(const std::shared_ptr<RunContext> &run, Phase phase,
    const std::optional<QString> &failure)
{
    // A phase of a run that has been stopped meanwhile changes nothing.
    if (run != m_run)
        return;
    if (failure) {
        if (m_isRunning && !m_run->cancelRequested.load())
            finishRun(false, failure);
        return;
    }
    callProgressHandler(1.0, QStringLiteral("Completing %1 phase...").arg(phaseName(phase)));
    if (phase == Phase::Write)
        afterWritePhase();
    else
        afterReadPhase();
}

void PerformanceTestManager::afterWritePhase()
{
    if (m_run->cancelRequested.load()) {
        qCInfo(lcEngine).noquote() << QStringLiteral("Stop requested");
        return;
    }
    if (m_cycle == 1 && !m_request.writePhaseEnabled) {
        qCInfo(lcEngine).noquote() << QStringLiteral("Initial writes complete, proceeding to read phase");
        m_writePhaseEnabled = false;
    }
    if (!m_readPhaseEnabled) {
        ++m_cycle;
        if (m_cycle > m_request.totalCycles) {
            qCInfo(lcEngine).noquote() << QStringLiteral("\n \n Completed all %1 cycles with skipped read phases. Auto-stopping test.")
                                              .arg(m_request.totalCycles);
            finishRun(false, std::nullopt);
            return;
        }
        qCInfo(lcEngine).noquote() << QStringLiteral("Starting cycle #%1 (skipping read phase)").arg(m_cycle);
        ++m_phaseId;
        startCycleFiles(m_cycle);
        startPhase(Phase::Write);
        return;
    }
    ++m_phaseId;
    m_readFiles = m_writeFiles;
    startPhase(Phase::Read);
}

void PerformanceTestManager::afterReadPhase()
{
    if (m_run->cancelRequested.load()) {
        qCInfo(lcEngine).noquote() << QStringLiteral("Stop requested.");
        return;
    }
    if (m_cycle >= m_request.totalCycles) {
        qCInfo(lcEngine).noquote() << QStringLiteral("\n \n Completed all %1 cycles. Auto-stopping test.")
                                      .arg(m_request.totalCycles);
        finishRun(false, std::nullopt);
        return;
    }
    ++m_cycle;
    ++m_phaseId;
    qCInfo(lcEngine).noquote() << QStringLiteral("Starting cycle #%1").arg(m_cycle);
    if (m_writePhaseEnabled) {
        startCycleFiles(m_cycle);
        startPhase(Phase::Write);
        return;
    }
    qCInfo(lcEngine).noquote() << QStringLiteral("Skipping write phase for cycle #%1 (write phase disabled)")
                                  .arg(m_cycle);
    if (!m_request.disableCache) {
        // With the cache on, the files read last cycle would come back from memory.
        qCInfo(lcEngine).noquote() << QStringLiteral("Flushing filesystem cache");
        FileOperationUtility::enhancedCacheFlush(m_readFiles, cacheFlushTimeoutSeconds);
        if (m_request.developerMode)
            m_run->addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Flushed cache"), QStringLiteral("read"));
    }
    startPhase(Phase::Read);
}

void PerformanceTestManager::stop()
{
    if (m_isRunning)
        finishRun(true, std::nullopt);
}

void PerformanceTestManager::finishRun(bool stoppedByHand, const std::optional<QString> &errorMessage)
{
    m_run->cancelRequested.store(true);
    qCDebug(lcEngine).noquote() << QStringLiteral("Waiting for all file operations to complete before stopping test");
    if (m_run->fileOperationsGroup.waitFor(stopWaitSeconds))
        qCInfo(lcEngine).noquote() << QStringLiteral("All file operations completed, proceeding with test completion");
    else
        qCWarning(lcEngine).noquote() << QStringLiteral("Timed out waiting for file operations to complete after 10 seconds");
    m_sampler.stop();

    RunSummary summary;
    summary.request = m_request;
    summary.phases = m_run->phases();
    summary.stoppedByHand = stoppedByHand;
    summary.errorMessage = errorMessage;
    summary.cyclesReached = m_cycle;
    summary.writePhaseEnabled = m_writePhaseEnabled;
    summary.readPhaseEnabled = m_readPhaseEnabled;
    summary.interfaceInfo = stoppedByHand ? m_request.interfaceInfo : m_request.testLocation();
    summary.timestamp = QDateTime::currentDateTime();
    for (const Phase phase : {Phase::Read, Phase::Write}) {
        const PhaseTotals totals = ResultBuilder::totals(summary.phases, phase);
        qCInfo(lcEngine).noquote() << QStringLiteral("Calculated %1 speed: %2 MB/s from %3 MB in %4 seconds")
                                          .arg(phaseName(phase))
                                          .arg(totals.speed(), 0, 'f', 2)
                                          .arg(double(totals.bytes) * bytesToMegabytes, 0, 'f', 2)
                                          .arg(totals.duration, 0, 'f', 2);
    }
    const PerformanceTestResult result = ResultBuilder::build(summary);
    m_isRunning = false;

    QTimer::singleShot(0, this, [this, result, handler = m_completionHandler] {
        // The handler may destroy the manager; its destructor then removes
        // the directory instead.
        const QPointer<PerformanceTestManager> alive(this);
        if (handler)
            handler(result);
        if (alive)
            cleanupTestDirectory();
    });
}

void PerformanceTestManager::cleanupTestDirectory()
{
    if (!m_testDirectoryPath) {
        qCWarning(lcEngine).noquote() << QStringLiteral("No test directory path to clean up");
        emit testDirectoryCleanupFinished(QString(), false);
        return;
    }
    const QString path = *m_testDirectoryPath;
    m_writeFiles.clear();
    m_readFiles.clear();
    m_testDirectoryPath.reset();
    m_marker.reset();
    removeTestDirectory(m_bridge, nullptr, path, this);
}

void PerformanceTestManager::removeTestDirectory(const std::shared_ptr<MainThreadBridge> &bridge,
    const std::shared_ptr<RunContext> &runToDrain, const QString &path, PerformanceTestManager *manager)
{
    DetachedThreads::start([bridge, runToDrain, path, manager] {
        if (runToDrain)
            runToDrain->fileOperationsGroup.waitFor(stopWaitSeconds);
        const DeletionResult deletion = TestDirectory::removeWithRetry(path, cleanupAttempts);
        if (deletion.success) {
            qCInfo(lcEngine).noquote() << QStringLiteral("Removed test directory: ") + path;
        } else {
            qCWarning(lcEngine).noquote() << QStringLiteral("Failed to delete directory after %1 attempts: %2")
                                                 .arg(deletion.attempts)
                                                 .arg(deletion.lastError.value_or(QStringLiteral("Unknown error")));
            qCWarning(lcEngine).noquote() << QStringLiteral("Test directory must be manually deleted server side.");
        }
        bridge->post([manager, path, removed = deletion.success] {
            emit manager->testDirectoryCleanupFinished(path, removed);
        });
    });
}

} // namespace trevlamark
