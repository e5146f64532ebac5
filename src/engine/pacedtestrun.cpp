#include "engine/pacedtestrun.h"

#include "engine/chunkstamp.h"
#include "engine/fileoperationutility.h"
#include "engine/mainthreadbridge.h"
#include "engine/pacedstream.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/logcategories.h"
#include "platform/waitgroup.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>

#include <mutex>
#include <thread>
#include <vector>

namespace trevlamark {

// What the streams' threads share with the run: written by them, read by the
// run under the lock; it outlives the run when a thread is still in an I/O.
struct PacedWork
{
    std::atomic<bool> cancel{false};
    WaitGroup threads;
    std::unique_ptr<std::atomic<quint64>[]> framesDone;
    std::unique_ptr<std::atomic<quint64>[]> lateFrames;
    int streams = 0;
    bool paced = false;
    std::atomic<qint64> startNanoseconds{0};
    qint64 framesPerStream = 0;

    mutable std::mutex mutex;
    QList<PhaseRecord> phases;
    QList<PacedDirection> directions;
};

PacedTestRun::PacedTestRun(QObject *parent)
    : TestRun(parent)
    , m_bridge(std::make_shared<MainThreadBridge>(this))
    , m_work(std::make_shared<PacedWork>())
{
    m_progressTimer.setInterval(200);
    connect(&m_progressTimer, &QTimer::timeout, this, &PacedTestRun::reportPhaseProgress);
}

PacedTestRun::~PacedTestRun()
{
    m_bridge->detach();
    m_work->cancel.store(true);
    m_marker.reset();
    if (m_testDirectoryPath)
        removeDirectoryAfter(m_bridge, std::shared_ptr<WaitGroup>(m_work, &m_work->threads), *m_testDirectoryPath, this,
            cleanupAttempts, stopWaitSeconds);
}

QList<quint64> PacedTestRun::framesDone() const
{
    QList<quint64> frames;
    for (int i = 0; i < m_work->streams; ++i)
        frames.append(m_work->framesDone[size_t(i)].load(std::memory_order_relaxed));
    return frames;
}

QList<quint64> PacedTestRun::lateFrames() const
{
    QList<quint64> frames;
    for (int i = 0; i < m_work->streams; ++i)
        frames.append(m_work->lateFrames[size_t(i)].load(std::memory_order_relaxed));
    return frames;
}

double PacedTestRun::phaseSeconds() const
{
    const qint64 start = m_work->startNanoseconds.load();
    if (start == 0)
        return 0;
    return std::max(0.0, double(PacedStream::monotonicNanoseconds() - start) / 1e9);
}

bool PacedTestRun::phaseIsPaced() const
{
    return m_work->paced;
}

QString PacedTestRun::streamPath(int stream) const
{
    return *m_testDirectoryPath + QStringLiteral("/stream_%1").arg(stream + 1);
}

void PacedTestRun::prepare()
{
    const TestRequest &request = this->request();
    if (!request.paced)
        return failToStart(QStringLiteral("No media format to pace"));
    const PacedRequest &paced = *request.paced;
    if (paced.streams < 1 || paced.bufferFrames < 1 || paced.durationSeconds <= 0 || paced.format.bytesPerFrame == 0)
        return failToStart(QStringLiteral("A paced run needs at least 1 stream, a buffer of 1 frame and a duration"));
    if (request.testLocation().isEmpty())
        return failToStart(QStringLiteral("No valid test location provided"));
    qCInfo(lcEngine).noquote() << QStringLiteral("Starting paced test: %1 streams of %2, %3 s, buffer %4 frames, cache bypass %5")
                                      .arg(paced.streams)
                                      .arg(paced.format.name)
                                      .arg(paced.durationSeconds)
                                      .arg(paced.bufferFrames)
                                      .arg(request.disableCache ? QStringLiteral("on") : QStringLiteral("off"));

    const quint64 ioBytes = paced.ioBytesPerFrame(request.disableCache);
    const bool sequence = paced.format.layout == MediaFormat::Layout::Sequence;
    const int streams = paced.streams;
    // A frame of random bytes (hundreds of MB for a large format) and, for a
    // frame sequence, each stream's folder of frame files, made with the
    // directory, off the thread that started the run.
    auto payload = std::make_shared<std::shared_ptr<AlignedBuffer>>();
    const auto furnish = [payload, ioBytes, sequence, streams](const QString &directory) -> std::optional<QString> {
        *payload = FileOperationUtility::createRandomDataBuffer(qint64(ioBytes));
        if (!*payload)
            return QStringLiteral("No memory for a frame of %1 bytes").arg(ioBytes);
        for (int stream = 1; sequence && stream <= streams; ++stream) {
            if (!QDir(directory).mkdir(QStringLiteral("stream_%1").arg(stream)))
                return QStringLiteral("Failed to create test directory");
        }
        return std::nullopt;
    };
    m_preparation.start(request.testLocation(), request.share, 0, createWaitSeconds,
        [this, payload](DirectoryPreparation::Outcome outcome) {
            if (const auto *problem = std::get_if<QString>(&outcome))
                return failToStart(*problem);
            auto &prepared = std::get<DirectoryPreparation::Prepared>(outcome);
            m_testDirectoryPath = prepared.path;
            m_marker = std::move(prepared.marker);
            // A fresh id per run keeps this run's frames unlike any other run's.
            m_chunks = std::make_shared<const ChunkStamp>(std::move(*payload), QRandomGenerator::system()->generate64());
            m_progressTimer.start();
            beginPhases();
        },
        furnish);
}

void PacedTestRun::runPhase(const PlannedPhase &phase)
{
    const TestRequest &request = this->request();
    const PacedRequest &pacedRequest = *request.paced;
    const bool write = phase.phase == Phase::Write;
    // Playback without capture reads data written first, outside the timed part.
    const bool paced = !write || request.writePhaseEnabled;

    auto work = std::make_shared<PacedWork>();
    work->streams = pacedRequest.streams;
    work->paced = paced;
    work->framesDone = std::make_unique<std::atomic<quint64>[]>(size_t(work->streams));
    work->lateFrames = std::make_unique<std::atomic<quint64>[]>(size_t(work->streams));
    {
        // The figures of the phases before this one stay with the run.
        std::lock_guard lock(m_work->mutex);
        work->phases = m_work->phases;
        work->directions = m_work->directions;
    }
    m_work = work;

    const FrameClock clock(pacedRequest.format.framesPerSecond, pacedRequest.bufferFrames);
    work->framesPerStream = clock.framesIn(pacedRequest.durationSeconds);
    std::vector<PacedStreamPlan> plans;
    for (int stream = 0; stream < work->streams; ++stream) {
        PacedStreamPlan plan;
        plan.path = streamPath(stream);
        plan.sequence = pacedRequest.format.layout == MediaFormat::Layout::Sequence;
        plan.write = write;
        plan.paced = paced;
        plan.clock = clock;
        plan.frames = work->framesPerStream;
        plan.frameBytes = pacedRequest.format.bytesPerFrame;
        plan.ioBytes = pacedRequest.ioBytesPerFrame(request.disableCache);
        plan.disableCache = request.disableCache;
        plan.verify = request.verifyData;
        plan.stream = stream;
        plan.chunks = m_chunks;
        plans.push_back(plan);
    }
    qCInfo(lcEngine).noquote() << QStringLiteral("%1 %2 streams of %3 frames")
                                      .arg(paced ? (write ? QStringLiteral("Capture:") : QStringLiteral("Playback:"))
                                                 : QStringLiteral("Writing the playback data:"))
                                      .arg(work->streams)
                                      .arg(work->framesPerStream);

    const int cycle = phase.cycle;
    const std::shared_ptr<MainThreadBridge> bridge = m_bridge;
    work->threads.enter();
    DetachedThreads::start([this, bridge, work, plans = std::move(plans), write, paced, cycle] {
        std::vector<PacedStreamOutcome> outcomes(plans.size());
        std::vector<std::thread> threads;
        PacedStart start(int(plans.size()));
        for (size_t i = 0; i < plans.size(); ++i) {
            threads.emplace_back([&, i] {
                outcomes[i] = PacedStream::run(plans[i], start, work->cancel, work->framesDone[i], work->lateFrames[i]);
            });
        }
        start.ready.wait();
        start.nanoseconds = PacedStream::monotonicNanoseconds() + startDelayNanoseconds;
        work->startNanoseconds.store(start.nanoseconds);
        start.go.count_down();
        for (std::thread &thread : threads)
            thread.join();

        std::optional<QString> failure;
        FrameTally total;
        PacedDirection direction;
        direction.capture = write;
        double elapsed = 0;
        bool directIORefused = false;
        for (const PacedStreamOutcome &outcome : outcomes) {
            if (outcome.error && !failure)
                failure = outcome.error;
            total.merge(outcome.tally);
            elapsed = std::max(elapsed, outcome.elapsedSeconds);
            directIORefused = directIORefused || outcome.directIORefused;
            direction.streams.append(outcome.tally.figures(outcome.elapsedSeconds));
        }
        direction.total = total.figures(elapsed);
        if (paced) {
            PhaseRecord record = total.phaseRecord(cycle, write, elapsed);
            record.figures.directIORefused = directIORefused;
            std::lock_guard lock(work->mutex);
            work->phases.append(record);
            work->directions.append(direction);
        }
        work->threads.leave();
        bridge->post([this, work, failure] {
            // A phase of a run that has been stopped meanwhile changes nothing.
            if (work != m_work || work->cancel.load())
                return;
            if (failure)
                phaseFailed(*failure);
            else
                phaseCompleted();
        });
    });
}

void PacedTestRun::reportPhaseProgress()
{
    const std::shared_ptr<PacedWork> work = m_work;
    if (work->framesPerStream == 0 || work->streams == 0)
        return;
    quint64 frames = 0;
    for (int i = 0; i < work->streams; ++i)
        frames += work->framesDone[size_t(i)].load(std::memory_order_relaxed);
    reportProgress(std::min(1.0, double(frames) / double(work->framesPerStream * work->streams)));
}

void PacedTestRun::endWork(bool cancelled)
{
    m_preparation.abandon();
    m_progressTimer.stop();
    m_work->cancel.store(true);
    // A cancelled run has no result and leaves the draining to the removal's thread.
    if (cancelled) {
        workEnded();
        return;
    }
    // A result must hold every stream's figures: wait for the streams, at
    // most the stop's limit and on a thread of its own.
    DetachedThreads::start([this, bridge = m_bridge, work = m_work] {
        if (!work->threads.waitFor(stopWaitSeconds))
            qCWarning(lcEngine).noquote() << QStringLiteral("Timed out waiting for the streams to stop after %1 seconds").arg(stopWaitSeconds);
        bridge->post([this, work] {
            if (work == m_work)
                workEnded();
        });
    });
}

QList<PhaseRecord> PacedTestRun::recordedPhases() const
{
    std::lock_guard lock(m_work->mutex);
    return m_work->phases;
}

void PacedTestRun::completeResult(PerformanceTestResult &result) const
{
    const PacedRequest &request = *this->request().paced;
    PacedResult paced = PacedResult::describing(request);
    {
        std::lock_guard lock(m_work->mutex);
        paced.directions = m_work->directions;
    }
    result.details.insert(QStringLiteral("testType"), QStringLiteral("Paced Media Test"));
    result.details.insert(QStringLiteral("mediaFormat"), request.format.name);
    result.paced = paced;
}

void PacedTestRun::removeTestData()
{
    m_marker.reset();
    if (!m_testDirectoryPath) {
        removalFinished(QString(), true);
        return;
    }
    const QString path = *m_testDirectoryPath;
    m_testDirectoryPath.reset();
    removeDirectoryAfter(m_bridge, std::shared_ptr<WaitGroup>(m_work, &m_work->threads), path, this,
        cleanupAttempts, stopWaitSeconds);
}

} // namespace trevlamark
