#pragma once
// A streaming test run from this computer: the test directory with its seed
// and cycle files, the phases on worker threads, the live samples and the
// removal of the directory. Phase work reaches this object only through a
// shared bridge, so destroying the run in the middle of a phase is safe.

#include "engine/directorypreparation.h"
#include "engine/testrun.h"
#include "engine/throughputsampler.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace trevlamark {

class ChunkStamp;
class MainThreadBridge;
class RunContext;
class RunMarker;

class LocalTestRun : public TestRun
{
    Q_OBJECT

public:
    explicit LocalTestRun(QObject *parent = nullptr);
    ~LocalTestRun() override; // safe mid-run: cancels, never blocks long

    QList<StreamResult> streamResults() const override { return m_sampler.streamResults(); }
    QList<TimelineMarker> timelineMarkers() const override;
    std::optional<QString> currentTestDirectoryPath() const { return m_testDirectoryPath; }

    static constexpr int cleanupAttempts = 5;
    static constexpr int stopWaitSeconds = 10;
    // How long the main thread waits for the test directory and its files: on a
    // share whose server stopped answering these calls block in the kernel.
    static constexpr int createWaitSeconds = 10;

protected:
    void prepare() override;
    void runPhase(const PlannedPhase &phase) override;
    void endWork(bool cancelled) override;
    QList<PhaseRecord> recordedPhases() const override;
    void removeTestData() override;

private:
    void beginWork();

    DirectoryPreparation m_preparation;
    std::shared_ptr<MainThreadBridge> m_bridge;
    std::shared_ptr<RunContext> m_run;
    std::shared_ptr<const ChunkStamp> m_chunks;
    ThroughputSampler m_sampler;
    quint64 m_targetBytesPerPhase = 0;
    std::optional<QString> m_testDirectoryPath;
    // Keeps sweeps away from the test directory while the run uses it.
    std::shared_ptr<RunMarker> m_marker;

    Q_DISABLE_COPY_MOVE(LocalTestRun)
};

} // namespace trevlamark
