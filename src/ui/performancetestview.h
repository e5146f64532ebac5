#pragma once
// The screen on which a test is configured, run and reviewed. It owns the
// engine, the configuration, the state objects and the traffic sampler of the
// location's interface, and turns engine callbacks into state changes.

#include "ui/testparameters.h"
#include "discovery/networkshare.h"
#include "engine/bytespercycleoptions.h"
#include "engine/performancetestresult.h"
#include "engine/streamresult.h"
#include "engine/timelinemarker.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <utility>

class QLabel;
class QProgressBar;
class QPropertyAnimation;
class QScrollArea;
class QToolButton;

namespace trevlamark {

class GaugePanel;
class GraphState;
class NetworkInterfaceMonitor;
class NetworkMonitoringState;
class PerformanceTestManager;
class PreferencesManager;
class ResultsSectionView;
class TestConfiguration;
class TestExecutionState;
class TestGraphPanel;
class TestProgress;
class TestResults;
class UIState;

class PerformanceTestView : public QWidget
{
    Q_OBJECT

public:
    PerformanceTestView(const TestParameters &parameters, PreferencesManager *preferences,
                        QWidget *parent = nullptr);
    ~PerformanceTestView() override;
    Q_DISABLE_COPY_MOVE(PerformanceTestView)

    // Bytes per cycle and queue depth for a location and its link speed.
    static std::pair<BytesPerCycleOptions, int> networkDefaults(bool isNetworkLocation,
                                                                std::optional<int> linkSpeedMbps);
    // The header title (forHeader) or the text handed to the engine on stop.
    static QString locationDescription(const NetworkShare &share, bool isNetworkLocation,
                                       const QString &selectedLocation, bool forHeader);
    // The graph window after a test of the given length: the whole test plus 2 s.
    static double postTestWindowSeconds(double testDurationSeconds);

    // The gauge panel's button: start when idle, stop while a test runs.
    void startStopAction();
    void startTest();
    void stopTest();
    // The Back button: cancels a running test, stops sampling, sweeps the
    // location's test directories and asks to return to the main screen.
    void closeAction();

    TestConfiguration *configuration() const { return m_configuration; }
    TestExecutionState *executionState() const { return m_executionState; }
    TestProgress *progress() const { return m_progress; }
    GraphState *graphState() const { return m_graphState; }
    NetworkMonitoringState *networkState() const { return m_networkState; }
    UIState *uiState() const { return m_uiState; }
    TestResults *results() const { return m_results; }
    PerformanceTestManager *engine() const { return m_engine; }
    NetworkInterfaceMonitor *networkMonitor() const { return m_networkMonitor; }
    ResultsSectionView *resultsSection() const { return m_resultsSection; }
    GaugePanel *gaugePanel() const { return m_gaugePanel; }
    TestGraphPanel *graphs() const { return m_graphs; }
    QToolButton *backButton() const { return m_backButton; }
    const NetworkShare &share() const { return m_share; }
    // The scale of the gauges and graphs (MB/s).
    double dynamicMaxY() const;

    static constexpr int finishDelayMilliseconds = 1000;

signals:
    void closeRequested();
    // The engine's stop was called (at most once per run).
    void stopRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void showScreen();
    void leaveScreen();
    void startGraphUpdateTimer();
    void handleProgress(double fraction, const QString &message, const QList<StreamResult> &streamResults,
                        const QList<TimelineMarker> &timelineMarkers, const QString &operation, int cycle);
    void handleCompletion(const PerformanceTestResult &result);
    void finishTest(double durationSeconds);
    void settingsChanged();
    void bindGaugePanel();
    void bindGraphs();
    void refreshScale();
    void restartMonitoring(const QString &interfaceID);
    void updateProgressSection();

    TestParameters m_parameters;
    NetworkShare m_share;
    QPointer<PreferencesManager> m_preferences;
    PerformanceTestManager *m_engine;
    TestConfiguration *m_configuration;
    TestExecutionState *m_executionState;
    TestProgress *m_progress;
    GraphState *m_graphState;
    NetworkMonitoringState *m_networkState;
    UIState *m_uiState;
    TestResults *m_results;
    NetworkInterfaceMonitor *m_networkMonitor = nullptr;
    // True from a start until its result arrives; a Stop outside it is ignored.
    bool m_awaitingResult = false;
    bool m_hasLeft = false;

    QToolButton *m_backButton = nullptr;
    QLabel *m_titleLabel = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QLabel *m_progressMessage = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPropertyAnimation *m_progressAnimation = nullptr;
    ResultsSectionView *m_resultsSection = nullptr;
    GaugePanel *m_gaugePanel = nullptr;
    TestGraphPanel *m_graphs = nullptr;
};

} // namespace trevlamark
