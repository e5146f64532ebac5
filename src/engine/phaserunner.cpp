#include "engine/phaserunner.h"

#include "platform/logcategories.h"
#include "engine/fileoperationutility.h"
#include "engine/runcontext.h"
#include "engine/streamingioexecutor.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "platform/interfacecounters.h"

#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <fcntl.h>

namespace trevlamark {

namespace {

// What crossed the device between two readings; nothing without both, or when
// the counters went back (the device was recreated). Out of line because GCC 12,
// once it inlines this, warns that the optionals' payloads may be uninitialized.
[[gnu::noinline]] std::optional<InterfaceCounters> crossedBetween(const std::optional<InterfaceCounters> &earlier,
                                                const std::optional<InterfaceCounters> &later)
{
    if (!earlier || !later || later->bytesIn < earlier->bytesIn || later->bytesOut < earlier->bytesOut)
        return std::nullopt;
    return InterfaceCounters{later->bytesIn - earlier->bytesIn, later->bytesOut - earlier->bytesOut};
}

double millisecondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double milliseconds(quint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

OperationLatency operationLatency(const LatencyHistogram &histogram)
{
    return OperationLatency{milliseconds(histogram.percentileNanoseconds(0.5)),
        milliseconds(histogram.percentileNanoseconds(0.9)), milliseconds(histogram.percentileNanoseconds(0.99)),
        milliseconds(histogram.percentileNanoseconds(0.999)), milliseconds(histogram.maximumNanoseconds())};
}

// The transfers turn O_DIRECT off on a descriptor whose file system refuses
// it, and opening may not have got it on at all.
bool anyWithoutDirectIO(const FileHandleList &handles)
{
    for (const auto &handle : handles) {
        const int flags = ::fcntl(handle->descriptor(), F_GETFL);
        if (flags >= 0 && !(flags & O_DIRECT))
            return true;
    }
    return false;
}

} // namespace

void PhaseRunner::start(const std::shared_ptr<RunContext> &run, PhasePlan plan, FinishedHandler onFinished)
{
    run->fileOperationsGroup.enter();
    DetachedThreads::start([run, plan = std::move(plan), onFinished = std::move(onFinished)] {
        if (run->bridge->alive()) {
            const std::optional<QString> failure = runPhase(*run, plan);
            run->bridge->post([onFinished, failure] { onFinished(failure); });
        }
        run->fileOperationsGroup.leave();
    });
}

// A location that stops answering between cycles leaves the phase without
// files, and the phase then fails the run the usual way.
void PhaseRunner::prepareFiles(RunContext &run, PhasePlan &plan)
{
    if (plan.newFilesCycle > 0) {
        const std::optional<QStringList> created = DetachedThreads::runWithin<QStringList>(createTimeoutSeconds,
            [directory = plan.directory, queueDepth = plan.queueDepth, cycle = plan.newFilesCycle] {
                return TestDirectory::createCycleFiles(directory, queueDepth, cycle);
            });
        if (!created) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Error creating cycle file: the location did not answer within %1 seconds")
                                                 .arg(createTimeoutSeconds);
        }
        plan.files = created.value_or(QStringList());
        run.setWriteFiles(plan.files);
    }
    if (plan.flushCacheFirst) {
        qCInfo(lcEngine).noquote() << QStringLiteral("Flushing filesystem cache");
        FileOperationUtility::enhancedCacheFlush(plan.files, cacheFlushTimeoutSeconds);
        if (plan.developerMode)
            run.addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Flushed cache"), QStringLiteral("read"));
    }
}

std::optional<QString> PhaseRunner::runPhase(RunContext &run, PhasePlan plan)
{
    const QString type = phaseName(plan.phase);
    // The interface's traffic is watched while the files are prepared, and a
    // little longer when that is quick, so other users of the link show.
    const auto watchStartClock = std::chrono::steady_clock::now();
    const std::optional<InterfaceCounters> wireWatched =
        plan.wireDevice.isEmpty() ? std::nullopt : InterfaceCounters::read(plan.wireDevice);
    prepareFiles(run, plan);
    if (wireWatched) {
        const auto watchEnd = watchStartClock
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(wireWatchSeconds));
        while (!run.cancelRequested.load() && std::chrono::steady_clock::now() < watchEnd)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                watchEnd - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
    }
    plan.startClock = std::chrono::steady_clock::now();
    run.addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Start %1 phase").arg(type), type);
    qCInfo(lcEngine).noquote() << QStringLiteral("\n \n Starting %1 phase...").arg(type);
    // Read only where the interface was watched: the traffic before the phase is measured up to here.
    const std::optional<InterfaceCounters> wireBefore =
        plan.wireDevice.isEmpty() ? std::nullopt : InterfaceCounters::read(plan.wireDevice);
    QString openFailure;
    const FileHandleList handles =
        FileOperationUtility::openFileHandles(plan.files, plan.phase, plan.disableCache, &openFailure);
    if (handles.empty())
        return openFailure.isEmpty() ? QStringLiteral("No files to %1").arg(type) : openFailure;

    run.counters.phaseBytes.store(0);
    StreamingIOJob job;
    job.phase = plan.phase;
    job.queueDepth = plan.queueDepth;
    job.chunkSizeBytes = plan.chunkSizeBytes;
    job.targetBytes = plan.targetBytes;
    job.chunks = plan.chunks.get();
    job.verify = plan.verify;
    if (plan.phase == Phase::Read)
        job.expectedFileBytes = run.writtenFileBytes();
    const StreamingIOOutcome outcome = StreamingIOExecutor::run(handles, job, run.counters, run.cancelRequested);
    if (plan.phase == Phase::Write) {
        // A file this phase wrote nothing to still holds its seed: no check can apply.
        std::vector<quint64> written = outcome.fileBytes;
        std::replace(written.begin(), written.end(), quint64(0), StreamingIOJob::unknownSize);
        run.setWrittenFileBytes(std::move(written));
    }
    const bool directIORefused = plan.disableCache && anyWithoutDirectIO(handles);
    run.addTimelineMarker(outcome.ioEnd, QStringLiteral("I/O operations complete"), type);

    FileOperationUtility::synchronizeFiles(handles, plan.files, plan.phase, synchronizeTimeoutSeconds);
    const auto syncEndClock = std::chrono::steady_clock::now();
    if (plan.developerMode)
        run.addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Synced files"), type);

    const double duration = std::chrono::duration<double>(std::chrono::steady_clock::now() - plan.startClock).count();
    run.addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("End %1 phase").arg(type), type);

    FileOperationUtility::closeFilesSequentially(handles, plan.files, plan.phase, closeTimeoutSeconds);
    const auto closeEndClock = std::chrono::steady_clock::now();
    const std::optional<InterfaceCounters> wireAfter =
        wireBefore ? InterfaceCounters::read(plan.wireDevice) : std::nullopt;
    if (plan.developerMode)
        run.addTimelineMarker(QDateTime::currentDateTime(), QStringLiteral("Closed files"), type);

    PhaseRecord record{plan.cycle, plan.phase, PhaseResult{}};
    PhaseResult &figures = record.figures;
    figures.bytes = outcome.bytes;
    figures.duration = duration;
    figures.throughput = duration > 0 ? double(outcome.bytes) / duration * bytesToMegabytes : 0.0;
    figures.latencyIOToSync = millisecondsBetween(outcome.ioEndClock, syncEndClock);
    figures.latencySyncToClose = millisecondsBetween(syncEndClock, closeEndClock);
    figures.latencyTotal = millisecondsBetween(outcome.ioEndClock, closeEndClock);
    figures.operations = outcome.latencies.count();
    figures.operationsPerSecond = duration > 0 ? double(figures.operations) / duration : 0.0;
    figures.operationLatency = operationLatency(outcome.latencies);
    figures.directIORefused = directIORefused;
    // A write sends its bytes, a read receives them.
    if (const std::optional<InterfaceCounters> crossed = crossedBetween(wireBefore, wireAfter))
        figures.wireBytes = plan.phase == Phase::Write ? crossed->bytesOut : crossed->bytesIn;
    if (const std::optional<InterfaceCounters> other = crossedBetween(wireWatched, wireBefore)) {
        figures.wireBefore = WireTraffic{std::chrono::duration<double>(plan.startClock - watchStartClock).count(),
            other->bytesIn, other->bytesOut};
    }
    qCInfo(lcEngine).noquote() << QStringLiteral("%1 phase latencies: I/O→Sync: %2ms, Sync→Close: %3ms, Total: %4ms")
                                      .arg(phaseTitle(plan.phase))
                                      .arg(figures.latencyIOToSync, 0, 'f', 1)
                                      .arg(figures.latencySyncToClose, 0, 'f', 1)
                                      .arg(figures.latencyTotal, 0, 'f', 1);

    const qsizetype recorded = run.recordPhase(record);
    qCInfo(lcConsole).noquote() << QStringLiteral("DEBUG: Stored phase results for key: cycle_%1_%2").arg(plan.cycle)
                                   .arg(type);
    qCInfo(lcConsole).noquote() << QStringLiteral("DEBUG: Current phaseResults count: %1").arg(recorded);
    qCInfo(lcEngine).noquote() << QStringLiteral("%1 phase completed in %2 seconds, %3 MB %4")
                                      .arg(phaseTitle(plan.phase))
                                      .arg(duration, 0, 'f', 2)
                                      .arg(outcome.bytes >> 20)
                                      .arg(plan.phase == Phase::Write ? QStringLiteral("written") : QStringLiteral("read"));
    if (plan.phase == Phase::Read)
        qCDebug(lcEngine).noquote() << QStringLiteral("Read operations completed, leaving the file operations group");

    const std::optional<QString> failure = failureMessage(plan, outcome);
    if (failure)
        qCCritical(lcEngine).noquote() << *failure;
    return failure;
}

// A failure ends the run: what was recorded so far stays in the result, which
// says what went wrong.
std::optional<QString> PhaseRunner::failureMessage(const PhasePlan &plan, const StreamingIOOutcome &outcome)
{
    const StreamingIOFailure &failure = outcome.failure;
    const QString file = QFileInfo(plan.files.value(qsizetype(failure.file))).fileName();
    switch (failure.kind) {
    case StreamingIOFailure::Kind::None:
        return std::nullopt;
    case StreamingIOFailure::Kind::Transfer:
        return QStringLiteral("%1 failed: %2")
            .arg(phaseTitle(plan.phase), QString::fromLocal8Bit(std::strerror(failure.errorCode)));
    case StreamingIOFailure::Kind::DataDiffers:
        return QStringLiteral("Read data differs in %1 at offset %2").arg(file).arg(failure.offsetBytes);
    case StreamingIOFailure::Kind::ShortRead:
        return QStringLiteral("Read failed: %1 returned %2 of %3 bytes")
            .arg(file)
            .arg(failure.offsetBytes)
            .arg(failure.expectedBytes);
    }
    return std::nullopt;
}

} // namespace trevlamark
