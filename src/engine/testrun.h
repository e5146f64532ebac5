#pragma once
// One streaming test, whoever runs it: this computer, or many fio clients at
// once. The front ends hold one TestRun and never ask which kind it is. Every
// kind moves through the same cycle plan and ends through the same summary:
// a start gives exactly one `finished` (unless cancelled), and then, once the
// test data is gone, exactly one `cleanupFinished`.

#include "engine/cycleplan.h"
#include "engine/performancetestresult.h"
#include "engine/runprogress.h"
#include "engine/streamresult.h"
#include "engine/testrequest.h"
#include "engine/timelinemarker.h"

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

namespace trevlamark {

class MainThreadBridge;
class WaitGroup;

class TestRun : public QObject
{
    Q_OBJECT

public:
    // The run the request asks for: from the fio servers it lists, else from
    // this computer; paced streams of a media format either way.
    static std::unique_ptr<TestRun> create(const TestRequest &request, QObject *parent = nullptr);
    // Hands a run over to go away on its own: cancels it if it is going and
    // deletes it once its test data is gone, so a screen that closes need not wait.
    static void dispose(std::unique_ptr<TestRun> run);

    void start(const TestRequest &request);
    // A stop by hand: the result so far follows. Does nothing when no run is going.
    void stop();
    // Ends the run without a result; its test data is removed all the same.
    void cancel();
    bool isRunning() const { return m_state == State::Starting || m_state == State::Running; }
    const TestRequest &request() const { return m_request; }
    // The live throughput samples and the timeline markers of the current or last run.
    virtual QList<StreamResult> streamResults() const = 0;
    virtual QList<TimelineMarker> timelineMarkers() const { return {}; }

    // The status text: "Cycle 2/5 Read - 75%".
    static QString progressMessage(int cycle, int totalCycles, Phase phase, double fraction);

signals:
    void progressed(const trevlamark::RunProgress &progress);
    void finished(const trevlamark::PerformanceTestResult &result);
    // path names what was removed (empty when the run made nothing); removed
    // is false when any of it could not be removed.
    void cleanupFinished(const QString &path, bool removed);

protected:
    explicit TestRun(QObject *parent = nullptr);

    // Removes path with retries on a thread of its own once drain is empty
    // (or waitSeconds have passed), then calls owner's removalFinished() on
    // its thread, unless bridge was detached meanwhile.
    static void removeDirectoryAfter(const std::shared_ptr<MainThreadBridge> &bridge,
        std::shared_ptr<WaitGroup> drain, const QString &path, TestRun *owner, int attempts, double waitSeconds);

    // Make ready what the run needs, then call beginPhases(), or failToStart().
    virtual void prepare() = 0;
    // Run one phase; end it with phaseCompleted() or phaseFailed().
    virtual void runPhase(const PlannedPhase &phase) = 0;
    // Stop the work in flight, then call workEnded(), at once or later. A
    // cancelled run must not wait for the work on the main thread.
    virtual void endWork(bool cancelled) = 0;
    // The figures of every phase that ended.
    virtual QList<PhaseRecord> recordedPhases() const = 0;
    // What the kind of run adds to the common result.
    virtual void completeResult(PerformanceTestResult &result) const;
    // Remove the run's test data, then call removalFinished().
    virtual void removeTestData() = 0;

    void beginPhases();
    // Progress within the running phase.
    void reportProgress(double fraction);
    void phaseCompleted();
    void phaseFailed(const QString &message);
    // Ends a run that could not start: a failure result, and nothing to remove.
    void failToStart(const QString &message);
    void workEnded();
    void removalFinished(const QString &path, bool removed);

    const PlannedPhase &currentPhase() const { return m_phase; }

private:
    enum class State { Idle, Starting, Running, Ending, Removing };

    void end(bool stoppedByHand, const std::optional<QString> &errorMessage);
    PerformanceTestResult buildResult() const;

    TestRequest m_request;
    State m_state = State::Idle;
    PlannedPhase m_phase;
    bool m_phaseCompleted = false;
    bool m_stoppedByHand = false;
    bool m_cancelled = false;
    std::optional<QString> m_errorMessage;

    Q_DISABLE_COPY_MOVE(TestRun)
};

} // namespace trevlamark
