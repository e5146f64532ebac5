#pragma once
// `trevlamark-cli play --find-max`: the most streams of a format that play
// with no late frame. Each step is a whole paced run of the duration; the
// search starts from the estimate of the location's last streaming test and
// goes up and down from there. Prints the curve (streams against late frames
// and p99 frame latency) and the headline; a signal stops the step in
// flight, which removes its test data as always.

#include "cli/runoptions.h"
#include "engine/testrun.h"
#include "platform/signalwatcher.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <memory>

namespace trevlamark {

class FindMaxCommand : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindMaxCommand)

public:
    struct Step
    {
        int streams = 0;
        quint64 frames = 0;
        quint64 lateFrames = 0;
        double p99Ms = 0;
    };

    // Runs the search to its end; returns the exit status.
    static int run(const RunOptions &options);
    explicit FindMaxCommand(const RunOptions &options, QObject *parent = nullptr);

    void start();

    // "plays 3 streams of ProRes 422 HQ UHD 29.97; at 4, 37 of 2,398 frames were late"
    static QString headline(const QString &format, const QList<Step> &steps);
    static QString table(const QList<Step> &steps);
    // Where the search starts: the streams the location's last streaming test
    // estimates for the format and direction, or 1 when it has none.
    static int estimatedStart(const TestRequest &request, const QString &databaseText);

signals:
    void finished(int exitStatus);

private:
    void runStep(int streams);
    void handleResult(const PerformanceTestResult &result);
    void handleCleanup(const QString &path, bool removed);
    void handleSignal(int signalNumber);
    void finish();
    bool writeJson() const;

    RunOptions m_options;
    int m_start = 1;
    QList<Step> m_steps;
    QMap<int, bool> m_outcomes;
    std::optional<QString> m_failure;
    bool m_problem = false;
    int m_stopSignal = 0;
    SignalWatcher m_signalWatcher;
    std::unique_ptr<TestRun> m_run;
};

} // namespace trevlamark
