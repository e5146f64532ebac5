#pragma once
// `trevlamark-cli play --find-max`: the most streams of a format that play
// with no late frame. The search starts from the estimate of the location's
// last streaming test; each step is a whole paced run of the duration.
// Prints the curve (streams against late frames and p99 frame latency) and
// the headline; a signal stops the step in flight, which removes its test
// data as always. The search is kept in the history as the run of its
// answer, with every step.

#include "cli/runoptions.h"
#include "engine/maxstreamsfinder.h"
#include "platform/signalwatcher.h"

#include <QObject>
#include <memory>

namespace trevlamark {

class FindMaxCommand : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindMaxCommand)

public:
    // Runs the search to its end; returns the exit status.
    static int run(const RunOptions &options);
    explicit FindMaxCommand(const RunOptions &options, QObject *parent = nullptr);

    void start();

    // Where the search starts: the streams the location's last streaming test
    // estimates for the format and direction, or 1 when it has none.
    static int estimatedStart(const TestRequest &request, const QString &databaseText);
    // Empty when the location holds the request's data, else how much it needs.
    static QString spaceProblem(const TestRequest &request);

signals:
    void finished(int exitStatus);

private:
    void handleSignal(int signalNumber);
    void finish();
    bool writeJson() const;
    void saveToHistory();

    RunOptions m_options;
    bool m_problem = false;
    int m_stopSignal = 0;
    SignalWatcher m_signalWatcher;
    std::unique_ptr<MaxStreamsFinder> m_finder;
};

} // namespace trevlamark
