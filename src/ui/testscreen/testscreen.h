#pragma once
// The screen on which a test is configured, run and reviewed. It owns the
// test run, the request being edited, the run's progress, the chart and
// traffic feeds and the traffic sampler of the location's interface, and
// turns the run's signals into progress and chart changes.

#include "discovery/networkshare.h"
#include "engine/performancetestresult.h"
#include "engine/runprogress.h"
#include "engine/streamresult.h"
#include "engine/testrequest.h"
#include "engine/timelinemarker.h"
#include "ui/common/testparameters.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QScrollArea;
class QToolButton;

namespace trevlamark {

class ChartFeed;
class EditedRequest;
class RunCheckPanel;
class FioServersField;
class GaugePanel;
class MediaTestDialog;
class NetworkInterfaceMonitor;
class PreferencesManager;
class ProgressLine;
class ResultsSection;
class RunState;
class SteadyMessage;
class TestGraphPanel;
class TestRun;
class TrafficFeed;

class TestScreen : public QWidget
{
    Q_OBJECT

public:
    TestScreen(const TestParameters &parameters, PreferencesManager *preferences,
               QWidget *parent = nullptr);
    ~TestScreen() override;
    Q_DISABLE_COPY_MOVE(TestScreen)

    // The gauge panel's button: start when idle, stop while a test runs.
    void startStopAction();
    void startTest();
    void stopTest();
    // The Back button: cancels a running test, stops sampling, sweeps the
    // location's test directories and asks to return to the main screen.
    void closeAction();
    // The media test of this location; a format (with a count of streams) is
    // chosen in it when given, as the Plays view of a result asks.
    MediaTestDialog *openMediaTest(const QString &format = QString(), int streams = 0);

    // The parameters the controls edit; Start hands a copy to the run.
    EditedRequest *request() const { return m_request; }
    RunCheckPanel *checkPanel() const { return m_checkPanel; }
    RunState *progress() const { return m_progress; }
    ChartFeed *chartFeed() const { return m_chartFeed; }
    TrafficFeed *trafficFeed() const { return m_trafficFeed; }
    // The current or last run; nothing before the first start and after leaving.
    TestRun *testRun() const { return m_run.get(); }
    // The throughput samples and markers of the current or last run.
    QList<StreamResult> runStreamResults() const;
    QList<TimelineMarker> runTimelineMarkers() const;
    NetworkInterfaceMonitor *networkMonitor() const { return m_networkMonitor; }
    ResultsSection *resultsSection() const { return m_resultsSection; }
    GaugePanel *gaugePanel() const { return m_gaugePanel; }
    TestGraphPanel *graphs() const { return m_graphs; }
    QToolButton *backButton() const { return m_backButton; }
    const NetworkShare &share() const { return m_share; }
    // The scale of the gauges and graphs (MB/s).
    double dynamicMaxY() const;

    static constexpr int finishDelayMilliseconds = 1000;

signals:
    void closeRequested();
    // The run's stop was called (at most once per run).
    void stopRequested();
    // The run delivered its result; it still holds its samples and markers.
    void runFinished(const trevlamark::TestRequest &request, const trevlamark::PerformanceTestResult &result);
    // A run of the media test (or its search for the most streams) delivered its result.
    void mediaRunFinished(const trevlamark::TestRequest &request, const trevlamark::PerformanceTestResult &result);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void showScreen();
    void leaveScreen();
    void startGraphUpdateTimer();
    // The two calls into the run's control, kept here alone.
    void startRun();
    // The edited request with the location, its share and link, as a run gets it.
    TestRequest composedRequest() const;
    void stopRun();
    void handleProgress(const RunProgress &progress);
    void showProgress(const RunProgress &progress);
    void handleCompletion(const PerformanceTestResult &result);
    void finishTest(double durationSeconds);
    void settingsChanged();
    void bindGaugePanel();
    void bindGraphs();
    void refreshScale();
    void restartMonitoring(const QString &interfaceID);
    void updateProgressSection();
    std::optional<int> linkSpeedMbps() const;

    TestParameters m_parameters;
    NetworkShare m_share;
    QPointer<PreferencesManager> m_preferences;
    std::unique_ptr<TestRun> m_run;
    FioServersField *m_fioServers = nullptr;
    EditedRequest *m_request;
    RunCheckPanel *m_checkPanel = nullptr;
    RunState *m_progress;
    ChartFeed *m_chartFeed;
    TrafficFeed *m_trafficFeed;
    double m_graphRefreshRate = 0.1;
    // What the current or last run was asked to do, fixed at its start.
    TestRequest m_runRequest;
    NetworkInterfaceMonitor *m_networkMonitor = nullptr;
    // True from a start until its result arrives; a Stop outside it is ignored.
    bool m_awaitingResult = false;
    bool m_hasLeft = false;

    QToolButton *m_backButton = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    SteadyMessage *m_progressMessage = nullptr;
    ProgressLine *m_progressLine = nullptr;
    QCheckBox *m_verifySwitch = nullptr;
    ResultsSection *m_resultsSection = nullptr;
    GaugePanel *m_gaugePanel = nullptr;
    TestGraphPanel *m_graphs = nullptr;
};

} // namespace trevlamark
