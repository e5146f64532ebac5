#include "engine/localtestrun.h"

#include "engine/chunkstamp.h"
#include "engine/fileoperationutility.h"
#include "engine/mainthreadbridge.h"
#include "engine/phaserunner.h"
#include "engine/runcontext.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/logcategories.h"
#include "platform/waitgroup.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace trevlamark {

LocalTestRun::LocalTestRun(QObject *parent)
    : TestRun(parent)
    , m_bridge(std::make_shared<MainThreadBridge>(this))
    , m_run(std::make_shared<RunContext>(m_bridge))
{
}

LocalTestRun::~LocalTestRun()
{
    m_bridge->detach();
    m_run->cancelRequested.store(true);
    m_sampler.stop();
    m_marker.reset();
    // Whatever state the run is in, its directory must not outlive it. Never
    // wait here: the workers drain and the removal runs on a thread of its own.
    if (m_testDirectoryPath)
        removeDirectoryAfter(m_bridge, std::shared_ptr<WaitGroup>(m_run, &m_run->fileOperationsGroup), *m_testDirectoryPath, this,
            cleanupAttempts, stopWaitSeconds);
}

QList<TimelineMarker> LocalTestRun::timelineMarkers() const
{
    return m_run->timelineMarkers();
}

QList<PhaseRecord> LocalTestRun::recordedPhases() const
{
    return m_run->phases();
}

void LocalTestRun::prepare()
{
    const TestRequest &request = this->request();
    m_run = std::make_shared<RunContext>(m_bridge);
    if (!request.writePhaseEnabled && request.readPhaseEnabled)
        qCInfo(lcEngine).noquote() << QStringLiteral("First cycle with disabled write phase - performing minimal write to create data");

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
                                      .arg(request.resolvedBytesPerCycle())
                                      .arg(request.totalCycles)
                                      .arg(request.queueDepth)
                                      .arg(displayText(request.chunkSize),
                                          request.disableCache ? QStringLiteral("true") : QStringLiteral("false"),
                                          request.verifyData ? QStringLiteral("true") : QStringLiteral("false"));

    if (request.testLocation().isEmpty()) {
        qCWarning(lcEngine).noquote() << QStringLiteral("No valid location or mount path provided for test directory");
        return failToStart(QStringLiteral("No valid test location provided"));
    }
    // Random bytes for a chunk of up to 64 MB take a good part of a second to
    // make: made with the directory, off the thread that started the run.
    auto payload = std::make_shared<std::shared_ptr<AlignedBuffer>>();
    const auto makePayload = [payload, chunk](const QString &) {
        *payload = FileOperationUtility::createRandomDataBuffer(qint64(chunk));
        if (!*payload)
            *payload = AlignedBuffer::create(chunk);
        return std::optional<QString>();
    };
    m_preparation.start(request.testLocation(), request.share, request.queueDepth, createWaitSeconds,
        [this, payload](DirectoryPreparation::Outcome outcome) {
            if (const auto *problem = std::get_if<QString>(&outcome))
                return failToStart(*problem);
            auto &prepared = std::get<DirectoryPreparation::Prepared>(outcome);
            m_testDirectoryPath = prepared.path;
            m_marker = std::move(prepared.marker);
            m_run->setWriteFiles(prepared.seedFiles);
            // A fresh id per run keeps this run's chunks unlike any other run's.
            if (*payload)
                m_chunks = std::make_shared<const ChunkStamp>(std::move(*payload), QRandomGenerator::system()->generate64());
            beginWork();
        },
        makePayload);
}

void LocalTestRun::beginWork()
{
    const TestRequest &request = this->request();
    m_sampler.setWireDevice(request.share.isDetected && request.link ? request.link->interfaceID : QString());
    m_sampler.start(request.samplingRateSeconds, std::shared_ptr<ProgressCounters>(m_run, &m_run->counters),
        [this](quint64 phaseBytes) {
            reportProgress(m_targetBytesPerPhase == 0 ? 0.0 : double(phaseBytes) / double(m_targetBytesPerPhase));
        });
    beginPhases();
}

void LocalTestRun::runPhase(const PlannedPhase &phase)
{
    const TestRequest &request = this->request();
    qCInfo(lcEngine).noquote() << QStringLiteral("Cycle #%1, phase: %2, target bytes: %3")
                                      .arg(phase.cycle)
                                      .arg(phaseName(phase.phase))
                                      .arg(m_targetBytesPerPhase);
    m_sampler.setPhase(phase.phase, phase.phaseId);

    PhasePlan plan;
    plan.phase = phase.phase;
    plan.cycle = phase.cycle;
    plan.queueDepth = request.queueDepth;
    plan.targetBytes = m_targetBytesPerPhase;
    plan.chunkSizeBytes = chunkSizeBytes(request.chunkSize);
    plan.disableCache = request.disableCache;
    plan.developerMode = request.developerMode;
    plan.files = m_run->writeFiles();
    if (phase.phase == Phase::Write && phase.filesCycle > 1) {
        plan.directory = *m_testDirectoryPath;
        plan.newFilesCycle = phase.filesCycle;
    }
    plan.flushCacheFirst = phase.flushCacheFirst;
    plan.chunks = m_chunks;
    plan.verify = request.verifyData;
    if (request.share.isDetected && request.link)
        plan.wireDevice = request.link->interfaceID;
    const std::shared_ptr<RunContext> run = m_run;
    PhaseRunner::start(run, std::move(plan), [this, run](const std::optional<QString> &failure) {
        // A phase of a run that has been stopped meanwhile changes nothing.
        if (run != m_run)
            return;
        if (failure)
            phaseFailed(*failure);
        else
            phaseCompleted();
    });
}

void LocalTestRun::endWork(bool cancelled)
{
    m_preparation.abandon();
    m_run->cancelRequested.store(true);
    // A cancelled run has no result and leaves the draining to the removal's thread.
    if (cancelled) {
        m_sampler.stop();
        workEnded();
        return;
    }
    // A result must hold every phase's figures: wait for the workers, at most
    // the stop's limit and on a thread of its own, as they may hang on a share.
    qCDebug(lcEngine).noquote() << QStringLiteral("Waiting for all file operations to complete before stopping test");
    DetachedThreads::start([this, bridge = m_bridge, run = m_run] {
        if (run->fileOperationsGroup.waitFor(stopWaitSeconds))
            qCInfo(lcEngine).noquote() << QStringLiteral("All file operations completed, proceeding with test completion");
        else
            qCWarning(lcEngine).noquote() << QStringLiteral("Timed out waiting for file operations to complete after %1 seconds")
                                                 .arg(stopWaitSeconds);
        bridge->post([this, run] {
            if (run != m_run)
                return;
            m_sampler.stop();
            workEnded();
        });
    });
}

void LocalTestRun::removeTestData()
{
    m_marker.reset();
    if (!m_testDirectoryPath) {
        removalFinished(QString(), true);
        return;
    }
    const QString path = *m_testDirectoryPath;
    m_testDirectoryPath.reset();
    removeDirectoryAfter(m_bridge, std::shared_ptr<WaitGroup>(m_run, &m_run->fileOperationsGroup), path, this,
        cleanupAttempts, stopWaitSeconds);
}

} // namespace trevlamark
