#pragma once
// A streaming test run from many machines at once through fio's
// client/server mode: every client runs `fio --server`, and this run sends
// each planned phase to all of them as fio jobs of the same shape, follows
// their status output, and adds each client's figures to the result beside
// their aggregate. The servers are checked before anything is written, a
// client that fails stops the others, and every client's test directory is
// removed at the end whatever happened. A paced request runs its streams as
// rate-paced fio jobs, one frame per I/O, and counts their late frames from
// the per-I/O logs the servers send back.

#include "engine/fiojobfile.h"
#include "engine/fiomarkertouch.h"
#include "engine/fiostatusparser.h"
#include "engine/pacedresult.h"
#include "engine/testrun.h"

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace trevlamark {

class FioClientRun : public TestRun
{
    Q_OBJECT

public:
    explicit FioClientRun(QObject *parent = nullptr);
    ~FioClientRun() override; // stops the clients' jobs; their directories are left to the sweep

    // The live samples come from fio's status line once a second; when a
    // phase ends they are replaced by its per-interval bandwidth logs.
    QList<StreamResult> streamResults() const override { return m_streamResults; }

    // How long a client may take to answer the check.
    static constexpr int checkTimeoutSeconds = 15;
    static constexpr int clientExitWaitMilliseconds = 2000;
    // How long the clients may take to stop their jobs, and then to remove
    // their directories, before those still at it are killed: fio's client
    // waits without end for a server that keeps the connection open but no
    // longer answers.
    void setEndingLimit(int seconds) { m_endingLimitSeconds = seconds; }

protected:
    void prepare() override;
    void runPhase(const PlannedPhase &phase) override;
    void endWork(bool cancelled) override;
    QList<PhaseRecord> recordedPhases() const override { return m_phases; }
    void completeResult(PerformanceTestResult &result) const override;
    void removeTestData() override;

private:
    enum class Stage { Idle, Probing, Checking, Running, Stopping, Removing };

    struct Client
    {
        FioClient server;
        int index = 0;
        QString directoryName;
        QProcess *process = nullptr;
        FioStatusParser parser;
        QByteArray errorOutput;
        qint64 finishedAtMs = -1;
        QList<PhaseRecord> phases;
    };

    void startClients();
    void launch(Client &client, const QByteArray &jobFile, const QStringList &extraArguments);
    void clientFinished(Client &client);
    void checksFinished();
    void phaseFinished();
    void replaceLiveSamples(const PlannedPhase &phase, const PhaseResult &figures);
    QString bandwidthLogPrefix(const Client &client, int phaseId) const;
    std::optional<QString> phaseProblem(const Client &client) const;
    // The jobs each client runs in a phase: a stream each.
    int jobsPerClient() const;
    void pacedPhaseFinished(const PlannedPhase &phase);
    QString latencyLogPrefix(const Client &client, int phaseId) const;
    void removalsFinished();
    void sample();
    bool anyRunning() const;
    void enforceEndingLimit();

    std::vector<std::unique_ptr<Client>> m_clients;
    std::unique_ptr<QTemporaryDir> m_jobDirectory;
    QString m_localVersion;
    Stage m_stage = Stage::Idle;
    int m_jobFileCount = 0;
    bool m_directoriesMayExist = false;
    QList<PhaseRecord> m_phases;
    QList<int> m_writtenCycles; // whose stream files the removal unlinks
    QList<StreamResult> m_streamResults;
    QList<PacedDirection> m_pacedDirections;
    QElapsedTimer m_runClock;
    QElapsedTimer m_phaseClock;
    QDateTime m_phaseStartTime;
    double m_phaseStartSeconds = 0; // on the run's time axis
    QTimer m_sampleTimer;
    quint64 m_phaseBytes = 0;     // what the current phase moves on all clients
    double m_estimatedBytes = 0;  // its rate summed over the phase so far
    qint64 m_sampledAtMs = 0;
    QTimer m_checkTimeout;
    QTimer m_endingTimer;
    FioMarkerTouch m_markerTouch;
    int m_endingLimitSeconds = 30;

    Q_DISABLE_COPY_MOVE(FioClientRun)
};

} // namespace trevlamark
