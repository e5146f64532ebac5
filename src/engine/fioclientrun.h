#pragma once
// Runs the streaming test from many machines at once through fio's
// client/server mode: every client runs `fio --server`, and this controller
// sends each cycle's phases to all of them as fio jobs of the same shape,
// follows their status output, and builds one result with each client's
// figures and their aggregate. The servers are checked before anything is
// written, a client that fails stops the others, and every client's test
// directory is removed at the end whatever happened.

#include "engine/fiostatusparser.h"
#include "engine/performancetestmanager.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>

namespace trevlamark {

class FioClientRun : public QObject
{
    Q_OBJECT

public:
    using StreamProgressHandler = PerformanceTestManager::StreamProgressHandler;
    using TestCompletionHandler = PerformanceTestManager::TestCompletionHandler;

    explicit FioClientRun(QObject *parent = nullptr);
    ~FioClientRun() override; // stops the clients' jobs; their directories are left to the sweep

    // As PerformanceTestManager::start, from request.clients.
    void start(const TestRequest &request, StreamProgressHandler progressHandler,
        TestCompletionHandler completionHandler);
    // Stops every client and delivers the result so far.
    void stop();
    bool isRunning() const { return m_stage == Stage::Checking || m_stage == Stage::Running; }
    // The aggregate throughput samples of the last run.
    const QList<StreamResult> &streamResults() const { return m_streamResults; }

    // How long a client may take to answer the check.
    static constexpr int checkTimeoutSeconds = 15;
    // How long the clients may take to stop their jobs, and then to remove
    // their directories, before those still at it are killed: fio's client
    // waits without end for a server that keeps the connection open but no
    // longer answers.
    void setEndingLimit(int seconds) { m_endingLimitSeconds = seconds; }

signals:
    // After the result: every client's removal job has ended; removed is
    // false when any of them could not remove its directory.
    void testDirectoryCleanupFinished(const QString &paths, bool removed);

private:
    enum class Stage { Idle, Checking, Running, Stopping, Removing };

    struct Client
    {
        FioClient server;
        QString directoryName;
        QProcess *process = nullptr;
        FioStatusParser parser;
        QByteArray errorOutput;
        qint64 finishedAtMs = -1;
        QList<PhaseRecord> phases;
    };

    void launch(Client &client, const QByteArray &jobFile, const QStringList &extraArguments);
    void clientFinished(Client &client);
    void checksFinished();
    void startPhase(Phase phase);
    void phaseFinished();
    void afterWritePhase();
    void afterReadPhase();
    std::optional<QString> phaseProblem(const Client &client) const;
    void stopClients(bool stoppedByHand, const std::optional<QString> &errorMessage);
    void finishRun();
    void removeDirectories();
    void sample();
    bool anyRunning() const;
    void enforceEndingLimit();
    void touchMarkers();
    void stopTouchingMarkers();

    TestRequest m_request;
    StreamProgressHandler m_progressHandler;
    TestCompletionHandler m_completionHandler;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::unique_ptr<QTemporaryDir> m_jobDirectory;
    QString m_localVersion;
    Stage m_stage = Stage::Idle;
    Phase m_phase = Phase::Write;
    int m_phaseId = 0;
    int m_cycle = 1;
    int m_writtenCycle = 1; // whose files a read phase reads
    int m_jobFileCount = 0;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    bool m_directoriesMayExist = false;
    bool m_stoppedByHand = false;
    std::optional<QString> m_errorMessage;
    QList<PhaseRecord> m_phases;
    QList<StreamResult> m_streamResults;
    QElapsedTimer m_runClock;
    QElapsedTimer m_phaseClock;
    QTimer m_sampleTimer;
    QTimer m_checkTimeout;
    QTimer m_endingTimer;
    QTimer m_markerTimer;
    QList<QPointer<QProcess>> m_markerTouches;
    int m_endingLimitSeconds = 30;

    Q_DISABLE_COPY_MOVE(FioClientRun)
};

} // namespace trevlamark
