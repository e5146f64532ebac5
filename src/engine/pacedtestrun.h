#pragma once
// A paced run of media streams from this computer: N streams of one format,
// each on its own frame clock and thread, capture writing and playback
// reading what was written before (outside the timed part when there is no
// capture). Every frame that completes later than its slot plus the buffer
// is counted late. Like every run it leaves its test directory behind on no
// path: stop, failure, cancel or destruction.

#include "engine/pacedresult.h"
#include "engine/directorypreparation.h"
#include "engine/testrun.h"

#include <QTimer>
#include <memory>

namespace trevlamark {

class ChunkStamp;
class MainThreadBridge;
class RunMarker;
struct PacedWork;

class PacedTestRun : public TestRun
{
    Q_OBJECT

public:
    explicit PacedTestRun(QObject *parent = nullptr);
    ~PacedTestRun() override; // safe mid-run: cancels, never blocks long

    QList<StreamResult> streamResults() const override { return {}; }
    // Frames each stream of the running phase has done so far, for a live view.
    QList<quint64> framesDone() const;
    QList<quint64> lateFrames() const;
    // Seconds since the running phase's frame clocks started.
    double phaseSeconds() const;
    // True while the phase is paced (not the untimed writing of playback data).
    bool phaseIsPaced() const;

    static constexpr int cleanupAttempts = 5;
    static constexpr int stopWaitSeconds = 10;
    static constexpr int createWaitSeconds = 10;
    // From the moment every stream is ready to the first slot: time for the threads to wake.
    static constexpr qint64 startDelayNanoseconds = 5'000'000;

protected:
    void prepare() override;
    void runPhase(const PlannedPhase &phase) override;
    void endWork(bool cancelled) override;
    QList<PhaseRecord> recordedPhases() const override;
    void completeResult(PerformanceTestResult &result) const override;
    void removeTestData() override;

private:
    QString streamPath(int stream) const;
    void reportPhaseProgress();

    DirectoryPreparation m_preparation;
    std::shared_ptr<MainThreadBridge> m_bridge;
    std::shared_ptr<PacedWork> m_work;
    std::shared_ptr<const ChunkStamp> m_chunks;
    std::optional<QString> m_testDirectoryPath;
    std::shared_ptr<RunMarker> m_marker;
    QTimer m_progressTimer;

    Q_DISABLE_COPY_MOVE(PacedTestRun)
};

} // namespace trevlamark
