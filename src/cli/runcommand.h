#pragma once
// `trevlamark-cli run`: starts one streaming test run, shows its progress,
// prints (and optionally saves) the result, turns SIGINT, SIGTERM and SIGHUP
// into a manual stop, and exits only once the test data has been removed.

#include "cli/progressreporter.h"
#include "cli/runoptions.h"
#include "platform/signalwatcher.h"
#include "engine/playsestimate.h"
#include "engine/testrun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

namespace trevlamark {

class RunCommand : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunCommand)

public:
    // `arguments` as the process received them (program, "run", ...); returns the exit status.
    static int execute(const QStringList &arguments);
    // Runs the checked options to the end; returns the exit status.
    static int run(const RunOptions &options);

    explicit RunCommand(const RunOptions &options, QObject *parent = nullptr);

    // Call from the running event loop; `finished` follows, exactly once.
    void start();

    // The request with the share the location lies on and its interface, from
    // discovery: the result is judged against the link, and the history records them.
    static TestRequest requestWithShare(const TestRequest &request);

    static constexpr int failureExitStatus = 1;
    // Long enough for five removal attempts of a large directory on a slow share.
    static constexpr int cleanupTimeoutSeconds = 300;

signals:
    void finished(int exitStatus);

private:
    void handleProgress(const RunProgress &progress);
    void handleCompletion(const PerformanceTestResult &result);
    void handleSignal(int signalNumber);
    void handleCleanupFinished(const QString &path, bool removed);
    void handleCleanupTimeout();
    void finishWhenDone();
    void writeStatus(const QString &text);
    void writeResult(const PerformanceTestResult &result);
    bool writeJson(const PerformanceTestResult &result);
    void saveToHistory(const PerformanceTestResult &result);
    QList<PlaysRow> playsRows(const PerformanceTestResult &result) const;
    int exitStatus() const;
    bool testRunning() const;

    RunOptions m_options;
    TestRequest m_request;
    ProgressReporter m_progress;
    QElapsedTimer m_clock;
    QTimer m_cleanupTimeout;
    std::optional<PerformanceTestResult> m_result;
    bool m_cleanupFinished = false;
    bool m_problemAfterRun = false;
    bool m_finished = false;
    int m_stopSignal = 0;
    // Declared last so they go first: no handler or signal reaches a half-destroyed command.
    SignalWatcher m_signalWatcher;
    std::unique_ptr<TestRun> m_run;
};

} // namespace trevlamark
