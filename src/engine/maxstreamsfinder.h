#pragma once
// Runs the search for the most streams with no late frame: one whole paced
// run per step, the next count from MaxStreamsSearch, until the answer is
// known, a step fails, the location's free space is short or the search is
// stopped. The CLI and the window drive the same finder.

#include "engine/maxstreamsstep.h"
#include "engine/testrun.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <functional>
#include <memory>

namespace trevlamark {

class MaxStreamsFinder : public QObject
{
    Q_OBJECT

public:
    using Step = MaxStreamsStep;
    // Empty when the location holds a step's data, else why not.
    using SpaceCheck = std::function<QString(const TestRequest &request)>;

    MaxStreamsFinder(const TestRequest &request, int start, int maximum, SpaceCheck spaceCheck, QObject *parent = nullptr);
    ~MaxStreamsFinder() override;

    void start();
    // Stops the step in flight; its figures do not count. finished follows once its data is gone.
    void stop();
    bool isRunning() const { return m_running; }
    const QList<Step> &steps() const { return m_steps; }
    int answer() const;
    // The run the search answers with, to keep: the step of the answer, else
    // the fewest streams tried, carrying every step; nothing before a step ended.
    std::optional<PerformanceTestResult> result() const;
    // Why the search ended early: a failed step, or too little free space.
    std::optional<QString> problem() const { return m_problem; }

    // "plays 3 streams of ProRes 422 HQ UHD 29.97; at 4, 37 of 2,398 frames were late"
    static QString headline(const QString &format, const QList<Step> &steps);
    // One line per count tried, in order of streams.
    static QString table(const QList<Step> &steps);

signals:
    void stepStarted(int streams);
    void stepFinished(const trevlamark::MaxStreamsStep &step);
    // A step's test directory could not be removed.
    void leftBehind(const QString &path);
    void finished();

private:
    void next();
    void handleResult(const PerformanceTestResult &result);
    void handleCleanup(const QString &path, bool removed);

    TestRequest m_request;
    int m_start;
    int m_maximum;
    SpaceCheck m_spaceCheck;
    QList<Step> m_steps;
    QMap<int, bool> m_outcomes;
    QMap<int, PerformanceTestResult> m_results;
    std::optional<QString> m_problem;
    bool m_stopped = false;
    bool m_running = false;
    std::unique_ptr<TestRun> m_run;
};

} // namespace trevlamark
