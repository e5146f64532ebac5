#include "engine/testrun.h"

#include "engine/fioclientrun.h"
#include "engine/localtestrun.h"
#include "engine/pacedtestrun.h"
#include "engine/mainthreadbridge.h"
#include "engine/resultbuilder.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "platform/waitgroup.h"
#include "platform/logcategories.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace trevlamark {

TestRun::TestRun(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<RunProgress>();
}

std::unique_ptr<TestRun> TestRun::create(const TestRequest &request, QObject *parent)
{
    if (request.paced && request.clients.isEmpty())
        return std::make_unique<PacedTestRun>(parent);
    if (request.clients.isEmpty())
        return std::make_unique<LocalTestRun>(parent);
    return std::make_unique<FioClientRun>(parent);
}

void TestRun::dispose(std::unique_ptr<TestRun> run)
{
    if (!run)
        return;
    TestRun *owned = run.release();
    if (owned->m_state == State::Idle) {
        owned->deleteLater(); // it may be in the middle of emitting
        return;
    }
    // The application's child: deleted at the latest when the program ends.
    owned->setParent(QCoreApplication::instance());
    connect(owned, &TestRun::cleanupFinished, owned, &QObject::deleteLater);
    if (owned->isRunning())
        owned->cancel();
}

QString TestRun::progressMessage(int cycle, int totalCycles, Phase phase, double fraction)
{
    return QStringLiteral("Cycle %1/%2 %3 - %4%")
        .arg(cycle)
        .arg(totalCycles)
        .arg(phaseTitle(phase), QString::number(fraction * 100.0, 'f', 0));
}

void TestRun::start(const TestRequest &request)
{
    if (m_state != State::Idle) {
        const PerformanceTestResult refusal = PerformanceTestResult::failure(QStringLiteral("A test is already running"));
        QTimer::singleShot(0, this, [this, refusal] { emit finished(refusal); });
        return;
    }
    m_request = request;
    m_state = State::Starting;
    m_phase = CyclePlan::first();
    m_phaseCompleted = false;
    m_stoppedByHand = false;
    m_cancelled = false;
    m_errorMessage.reset();
    prepare();
}

void TestRun::beginPhases()
{
    if (m_state != State::Starting)
        return;
    m_state = State::Running;
    runPhase(m_phase);
}

void TestRun::reportProgress(double fraction)
{
    if (m_state == State::Running)
        emit progressed(RunProgress{fraction, progressMessage(m_phase.cycle, m_request.totalCycles, m_phase.phase, fraction),
            m_phase.phase, m_phase.cycle, m_phase.phaseId, std::nullopt});
}

void TestRun::phaseCompleted()
{
    if (m_state != State::Running)
        return;
    m_phaseCompleted = true;
    RunProgress completed{1.0, QStringLiteral("Completing %1 phase...").arg(phaseName(m_phase.phase)), m_phase.phase,
        m_phase.cycle, m_phase.phaseId, std::nullopt};
    const QList<PhaseRecord> phases = recordedPhases();
    const auto record = std::find_if(phases.crbegin(), phases.crend(),
        [this](const PhaseRecord &each) { return each.cycle == m_phase.cycle && each.phase == m_phase.phase; });
    if (record != phases.crend())
        completed.phaseThroughput = record->figures.throughput;
    emit progressed(completed);
    if (m_state != State::Running) // a receiver of the progress stopped the run
        return;
    const std::optional<PlannedPhase> next = CyclePlan::next(m_request, m_phase);
    if (!next) {
        qCInfo(lcEngine).noquote() << QStringLiteral("\n \n Completed all %1 cycles. Auto-stopping test.").arg(m_request.totalCycles);
        end(false, std::nullopt);
        return;
    }
    if (next->cycle != m_phase.cycle)
        qCInfo(lcEngine).noquote() << QStringLiteral("Starting cycle #%1").arg(next->cycle);
    m_phase = *next;
    m_phaseCompleted = false;
    runPhase(m_phase);
}

void TestRun::phaseFailed(const QString &message)
{
    if (m_state == State::Running)
        end(false, message);
}

void TestRun::stop()
{
    if (isRunning())
        end(true, std::nullopt);
}

void TestRun::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_state = State::Ending;
    endWork(true);
}

void TestRun::failToStart(const QString &message)
{
    qCCritical(lcEngine).noquote() << message;
    m_state = State::Removing;
    const PerformanceTestResult failure = PerformanceTestResult::failure(message);
    QTimer::singleShot(0, this, [this, failure] {
        const QPointer<TestRun> alive(this);
        emit finished(failure);
        if (alive)
            removalFinished(QString(), true);
    });
}

void TestRun::end(bool stoppedByHand, const std::optional<QString> &errorMessage)
{
    m_state = State::Ending;
    m_stoppedByHand = stoppedByHand;
    m_errorMessage = errorMessage;
    endWork(false);
}

void TestRun::workEnded()
{
    if (m_state != State::Ending)
        return;
    m_state = State::Removing;
    if (m_cancelled) {
        removeTestData();
        return;
    }
    const PerformanceTestResult result = buildResult();
    // Delivered from the event loop: a receiver may destroy the run, whose
    // destructor then removes the test data instead.
    QTimer::singleShot(0, this, [this, result] {
        const QPointer<TestRun> alive(this);
        emit finished(result);
        if (alive)
            removeTestData();
    });
}

void TestRun::removalFinished(const QString &path, bool removed)
{
    m_state = State::Idle;
    emit cleanupFinished(path, removed);
}

void TestRun::completeResult(PerformanceTestResult &) const
{
}

void TestRun::removeDirectoryAfter(const std::shared_ptr<MainThreadBridge> &bridge, std::shared_ptr<WaitGroup> drain,
    const QString &path, TestRun *owner, int attempts, double waitSeconds)
{
    DetachedThreads::start([bridge, drain, path, owner, attempts, waitSeconds] {
        drain->waitFor(waitSeconds);
        const DeletionResult deletion = TestDirectory::removeWithRetry(path, attempts);
        if (deletion.success) {
            qCInfo(lcEngine).noquote() << QStringLiteral("Removed test directory: ") + path;
        } else {
            qCWarning(lcEngine).noquote() << QStringLiteral("Failed to delete directory after %1 attempts: %2")
                                                 .arg(deletion.attempts)
                                                 .arg(deletion.lastError.value_or(QStringLiteral("Unknown error")));
            qCWarning(lcEngine).noquote() << QStringLiteral("Test directory must be manually deleted server side.");
        }
        bridge->post([owner, path, removed = deletion.success] { owner->removalFinished(path, removed); });
    });
}

PerformanceTestResult TestRun::buildResult() const
{
    RunSummary summary;
    summary.request = m_request;
    summary.phases = recordedPhases();
    summary.stoppedByHand = m_stoppedByHand;
    summary.errorMessage = m_errorMessage;
    summary.cyclesReached = m_phase.cycle;
    summary.writePhaseEnabled = CyclePlan::writesAfter(m_request, m_phase, m_phaseCompleted);
    summary.readPhaseEnabled = m_request.readPhaseEnabled;
    summary.interfaceInfo = m_stoppedByHand ? m_request.interfaceInfo : m_request.testLocation();
    summary.timestamp = QDateTime::currentDateTime();
    for (const Phase phase : {Phase::Read, Phase::Write}) {
        const PhaseTotals totals = ResultBuilder::totals(summary.phases, phase);
        qCInfo(lcEngine).noquote() << QStringLiteral("Calculated %1 speed: %2 MB/s from %3 MB in %4 seconds")
                                          .arg(phaseName(phase))
                                          .arg(totals.speed(), 0, 'f', 2)
                                          .arg(double(totals.bytes) * bytesToMegabytes, 0, 'f', 2)
                                          .arg(totals.duration, 0, 'f', 2);
    }
    PerformanceTestResult result = ResultBuilder::build(summary);
    completeResult(result);
    if (m_errorMessage)
        qCCritical(lcEngine).noquote() << *m_errorMessage;
    return result;
}

} // namespace trevlamark
