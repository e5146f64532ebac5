#include "ui/performancetestview.h"

#include "settings/appnotifier.h"
#include "settings/console.h"
#include "settings/preferencesmanager.h"
#include "engine/performancetestmanager.h"
#include "monitor/networkinterfacemonitor.h"
#include "ui/appdelegate.h"
#include "discovery/sharemanager.h"
#include "ui/chartgeometry.h"
#include "ui/combinedgraphsview.h"
#include "ui/gaugepanelview.h"
#include "ui/graphstate.h"
#include "ui/networkmonitoringstate.h"
#include "ui/resultssectionview.h"
#include "ui/testconfiguration.h"
#include "ui/testexecutionstate.h"
#include "ui/testprogress.h"
#include "ui/testresults.h"
#include "ui/uistate.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUuid>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace trevlamark {

namespace {
// The sampler needs a positive interval; a developer setting of 0 or less
// would otherwise spin the event loop.
constexpr double minimumSamplingSeconds = 0.01;

NetworkShare localShare(const QString &location)
{
    return NetworkShare(QUuid::createUuid(), QStringLiteral("local"), QFileInfo(location).fileName(), QString(),
                        location, QStringLiteral("local"));
}

// The progress bar counts in thousandths.
constexpr int progressSteps = 1000;
} // namespace

PerformanceTestView::PerformanceTestView(const TestParameters &parameters, PreferencesManager *preferences,
                                         QWidget *parent)
    : QWidget(parent)
    , m_parameters(parameters)
    , m_share(parameters.networkShare.value_or(localShare(parameters.selectedLocation)))
    , m_preferences(preferences)
    , m_engine(new PerformanceTestManager(this))
    , m_configuration(new TestConfiguration(this))
    , m_executionState(new TestExecutionState(this))
    , m_progress(new TestProgress(this))
    , m_graphState(new GraphState(this))
    , m_networkState(new NetworkMonitoringState(parameters.networkInterfaceInfo, parameters.networkShare,
                                                parameters.isNetworkLocation, this))
    , m_uiState(new UIState(this))
    , m_results(new TestResults(this))
{
    buildLayout();
    showScreen();
}

PerformanceTestView::~PerformanceTestView()
{
    leaveScreen();
}

std::pair<BytesPerCycleOptions, int> PerformanceTestView::networkDefaults(bool isNetworkLocation,
                                                                          std::optional<int> linkSpeedMbps)
{
    if (!isNetworkLocation)
        return {BytesPerCycleOptions::size4GB, 8};
    const int speed = linkSpeedMbps.value_or(0);
    if (speed >= 25000)
        return {BytesPerCycleOptions::size4GB, 8};
    if (speed >= 10000)
        return {BytesPerCycleOptions::size2GB, 8};
    return {BytesPerCycleOptions::size1GB, 4};
}

QString PerformanceTestView::locationDescription(const NetworkShare &share, bool isNetworkLocation,
                                                 const QString &selectedLocation, bool forHeader)
{
    if (isNetworkLocation && share.hostname != QLatin1String("local")) {
        return NetworkShare::protocolText(share.shareProtocol) + QStringLiteral(" - ") + share.shareName
               + QStringLiteral(" (") + share.hostname + QLatin1Char(')');
    }
    return forHeader ? share.mountPath : selectedLocation;
}

double PerformanceTestView::postTestWindowSeconds(double testDurationSeconds)
{
    return std::ceil(testDurationSeconds + 2.0);
}

double PerformanceTestView::dynamicMaxY() const
{
    return ChartGeometry::dynamicMaxY(m_graphState->chartData(), m_networkState->networkChartData(),
                                      m_networkState->networkMaxSpeedMbps());
}

void PerformanceTestView::buildLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QWidget(this);
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 8, 12, 8);
    m_backButton = new QToolButton(header);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    m_backButton->setText(QStringLiteral("Back"));
    m_backButton->setIcon(QIcon::fromTheme(QStringLiteral("go-previous"), style()->standardIcon(QStyle::SP_ArrowBack)));
    m_backButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_backButton->setAutoRaise(true);
    m_backButton->setToolTip(QStringLiteral("Return to main view"));
    connect(m_backButton, &QToolButton::clicked, this, &PerformanceTestView::closeAction);
    headerLayout->addWidget(m_backButton);
    m_titleLabel = new QLabel(QLatin1Char(' ')
                                  + locationDescription(m_share, m_parameters.isNetworkLocation,
                                                        m_parameters.selectedLocation, true),
                              header);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = m_titleLabel->font();
    titleFont.setWeight(QFont::DemiBold);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_titleLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    headerLayout->addWidget(m_titleLabel, 1);
    layout->addWidget(header);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // Everything fits the narrowest window; should a style make it wider, scroll rather than clip.
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *content = new QWidget(m_scrollArea);
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(8, 8, 8, 8);
    contentLayout->setSpacing(12);

    m_gaugePanel = new GaugePanelView(content);
    contentLayout->addWidget(m_gaugePanel);
    m_graphs = new CombinedGraphsView(content);
    contentLayout->addWidget(m_graphs);

    auto *progressSection = new QWidget(content);
    auto *progressLayout = new QVBoxLayout(progressSection);
    progressLayout->setContentsMargins(0, 8, 0, 8);
    progressLayout->setSpacing(4);
    m_progressMessage = new QLabel(progressSection);
    m_progressMessage->setObjectName(QStringLiteral("progressMessage"));
    m_progressMessage->setForegroundRole(QPalette::PlaceholderText);
    m_progressMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progressBar = new QProgressBar(progressSection);
    m_progressBar->setRange(0, progressSteps);
    m_progressBar->setTextVisible(false);
    m_progressBar->setMaximumHeight(8);
    m_progressAnimation = new QPropertyAnimation(m_progressBar, "value", this);
    m_progressAnimation->setDuration(300);
    m_progressAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    progressLayout->addWidget(m_progressMessage);
    progressLayout->addWidget(m_progressBar);
    contentLayout->addWidget(progressSection);

    m_resultsSection = new ResultsSectionView(content);
    contentLayout->addWidget(m_resultsSection);
    contentLayout->addStretch();
    m_scrollArea->setWidget(content);
    layout->addWidget(m_scrollArea, 1);

    bindGaugePanel();
    bindGraphs();
    connect(m_progress, &TestProgress::progressMessageChanged, this, &PerformanceTestView::updateProgressSection);
    connect(m_progress, &TestProgress::overallProgressChanged, this, &PerformanceTestView::updateProgressSection);
    connect(m_results, &TestResults::latestResultChanged, this,
            [this] { m_resultsSection->setTestResult(m_results->latestResult()); });
}

// Two-way: the configuration notifies on every assignment, the panel only on
// a change, so a round trip ends at the panel.
#define TREVLAMARK_BIND_TWO_WAY(source, Source, getter, setter, signal, panelGetter, panelSetter, panelSignal) \
    m_gaugePanel->panelSetter(source->getter());                                                        \
    connect(source, &Source::signal, m_gaugePanel, [this] { m_gaugePanel->panelSetter(source->getter()); }); \
    connect(m_gaugePanel, &GaugePanelView::panelSignal, source, [this] { source->setter(m_gaugePanel->panelGetter()); });

void PerformanceTestView::bindGaugePanel()
{
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, queueDepth, setQueueDepth, queueDepthChanged,
                            queueDepth, setQueueDepth, queueDepthChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, selectedFileSize, setSelectedFileSize,
                            selectedFileSizeChanged, selectedFileSize, setSelectedFileSize, selectedFileSizeChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, selectedBytesPerCycle, setSelectedBytesPerCycle,
                            selectedBytesPerCycleChanged, selectedBytesPerCycle, setSelectedBytesPerCycle,
                            selectedBytesPerCycleChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, customBytesValue, setCustomBytesValue,
                            customBytesValueChanged, customBytesValue, setCustomBytesValue, customBytesValueChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, totalCycles, setTotalCycles, totalCyclesChanged,
                            totalCycles, setTotalCycles, totalCyclesChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, disableCache, setDisableCache, disableCacheChanged,
                            disableCache, setDisableCache, disableCacheChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, writePhaseEnabled, setWritePhaseEnabled,
                            writePhaseEnabledChanged, writePhaseEnabled, setWritePhaseEnabled, writePhaseEnabledChanged)
    TREVLAMARK_BIND_TWO_WAY(m_configuration, TestConfiguration, readPhaseEnabled, setReadPhaseEnabled,
                            readPhaseEnabledChanged, readPhaseEnabled, setReadPhaseEnabled, readPhaseEnabledChanged)
    TREVLAMARK_BIND_TWO_WAY(m_uiState, UIState, showingCustomBytesPopover, setShowingCustomBytesPopover,
                            showingCustomBytesPopoverChanged, isShowingCustomBytesPopover,
                            setShowingCustomBytesPopover, showingCustomBytesPopoverChanged)

    connect(m_executionState, &TestExecutionState::isRunningTestChanged, m_gaugePanel,
            [this] { m_gaugePanel->setRunningTest(m_executionState->isRunningTest()); });
    connect(m_executionState, &TestExecutionState::isStoppingTestChanged, m_gaugePanel,
            [this] { m_gaugePanel->setStoppingTest(m_executionState->isStoppingTest()); });
    connect(m_executionState, &TestExecutionState::testRunTimeChanged, m_gaugePanel,
            [this] { m_gaugePanel->setTestRunTime(m_executionState->testRunTime()); });
    connect(m_executionState, &TestExecutionState::isPostTestViewChanged, m_gaugePanel,
            [this] { m_gaugePanel->setPostTest(m_executionState->isPostTestView()); });
    connect(m_progress, &TestProgress::writeValueChanged, m_gaugePanel,
            [this] { m_gaugePanel->setWriteValue(m_progress->writeValue()); });
    connect(m_progress, &TestProgress::readValueChanged, m_gaugePanel,
            [this] { m_gaugePanel->setReadValue(m_progress->readValue()); });
    connect(m_graphState, &GraphState::chartDataChanged, m_gaugePanel,
            [this] { m_gaugePanel->setChartData(m_graphState->chartData()); });
    m_gaugePanel->setNetworkMaxSpeedMbps(m_networkState->networkMaxSpeedMbps());
    const auto &info = m_networkState->networkInterfaceInfo();
    m_gaugePanel->setInterfaceMTU(info ? info->mtu : std::nullopt);
    connect(m_gaugePanel, &GaugePanelView::startStopClicked, this, &PerformanceTestView::startStopAction);
}

void PerformanceTestView::bindGraphs()
{
    m_graphs->setNetworkLocation(m_networkState->isNetworkLocation());
    m_graphs->setInterfaceID(m_networkState->networkInterface().value_or(QString()));
    m_graphs->setNetworkRawSpeed(m_networkState->networkRawSpeed());
    m_graphs->setTimeWindow(m_graphState->graphHistoryDuration());
    connect(m_graphState, &GraphState::chartDataChanged, m_graphs,
            [this] { m_graphs->setChartData(m_graphState->chartData()); });
    connect(m_graphState, &GraphState::timelineMarkersChanged, m_graphs,
            [this] { m_graphs->setTimelineMarkers(m_graphState->timelineMarkers()); });
    connect(m_networkState, &NetworkMonitoringState::networkChartDataChanged, m_graphs,
            [this] { m_graphs->setNetworkChartData(m_networkState->networkChartData()); });
    connect(m_executionState, &TestExecutionState::isRunningTestChanged, m_graphs,
            [this] { m_graphs->setRunningTest(m_executionState->isRunningTest()); });
    connect(m_executionState, &TestExecutionState::isPostTestViewChanged, m_graphs,
            [this] { m_graphs->setPostTestView(m_executionState->isPostTestView()); });
    connect(m_executionState, &TestExecutionState::finalReferenceTimeChanged, m_graphs, [this] {
        const QDateTime reference = m_executionState->finalReferenceTime();
        m_graphs->setReferenceTime(reference.isValid() ? std::optional(reference) : std::nullopt);
    });
    connect(m_uiState, &UIState::windowSizeChanged, m_graphs,
            [this] { m_graphs->setMainWindowSize(m_uiState->windowSize()); });

    connect(m_graphState, &GraphState::graphHistoryDurationChanged, m_graphs,
            [this] { m_graphs->setTimeWindow(m_graphState->graphHistoryDuration()); });
    connect(m_graphs, &CombinedGraphsView::timeWindowChanged, m_graphState,
            [this](double seconds) { m_graphState->setGraphHistoryDuration(seconds); });
    connect(m_graphState, &GraphState::isGraphExpandedChanged, m_graphs,
            [this] { m_graphs->setGraphExpanded(m_graphState->isGraphExpanded()); });
    connect(m_graphs, &CombinedGraphsView::graphExpandedChanged, m_graphState,
            [this](bool expanded) { m_graphState->setIsGraphExpanded(expanded); });
    connect(m_networkState, &NetworkMonitoringState::restartMonitoringTriggerChanged, m_graphs,
            [this] { m_graphs->setRestartMonitoring(m_networkState->restartMonitoringTrigger()); });
    connect(m_graphs, &CombinedGraphsView::restartMonitoringChanged, m_networkState,
            [this](bool raised) { m_networkState->setRestartMonitoringTrigger(raised); });
    connect(m_graphs, &CombinedGraphsView::restartMonitoringRequested, this, &PerformanceTestView::restartMonitoring);

    connect(m_graphs, &CombinedGraphsView::interfaceInfoRequested, this, [this](const QString &interfaceID) {
        const auto &known = m_networkState->networkInterfaceInfo();
        if (known && known->interfaceID == interfaceID)
            m_graphs->setCachedInterfaceInfo(known);
        else if (m_parameters.shareManager)
            m_graphs->setCachedInterfaceInfo(m_parameters.shareManager->interfaceInfo(interfaceID));
    });

    connect(m_graphState, &GraphState::chartDataChanged, this, &PerformanceTestView::refreshScale);
    connect(m_networkState, &NetworkMonitoringState::networkChartDataChanged, this, &PerformanceTestView::refreshScale);
    refreshScale();
}

void PerformanceTestView::refreshScale()
{
    const double maxY = dynamicMaxY();
    m_gaugePanel->setDynamicMaxY(maxY);
    m_graphs->setMaxY(maxY);
}

void PerformanceTestView::updateProgressSection()
{
    m_progressMessage->setText(m_progress->progressMessage());
    const int target = int(std::lround(m_progress->overallProgress() * progressSteps));
    if (m_progressAnimation->endValue().toInt() == target && m_progressBar->value() == target)
        return;
    m_progressAnimation->stop();
    m_progressAnimation->setStartValue(m_progressBar->value());
    m_progressAnimation->setEndValue(target);
    m_progressAnimation->start();
}

void PerformanceTestView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_uiState->setWindowSize(event->size());
}

void PerformanceTestView::showScreen()
{
    m_configuration->setDisableCache(m_preferences->disableCacheEnabled());
    m_graphState->setGraphHistoryDuration(m_preferences->graphHistoryDuration());
    m_graphState->setSamplingRate(m_preferences->graphSamplingRate());
    m_graphState->setGraphRefreshRate(m_preferences->graphRefreshRate());
    const auto [bytesPerCycle, queueDepth] =
        networkDefaults(m_parameters.isNetworkLocation, m_networkState->networkMaxSpeedMbps());
    m_configuration->setSelectedBytesPerCycle(bytesPerCycle);
    m_configuration->setQueueDepth(queueDepth);
    m_executionState->setIsPostTestView(false);

    if (m_networkMonitor) {
        m_networkMonitor->stopMonitoring();
        delete m_networkMonitor;
    }
    m_networkMonitor = new NetworkInterfaceMonitor(
        m_parameters.shareManager.get(), std::max(minimumSamplingSeconds, m_graphState->samplingRate()),
        m_graphState->graphHistoryDuration(), this);
    connect(m_networkMonitor, &NetworkInterfaceMonitor::isMonitoringChanged, m_graphs,
            [this](bool isMonitoring) { m_graphs->setMonitoring(isMonitoring); });
    const auto showRates = [this] {
        m_graphs->setCurrentThroughput(m_networkMonitor->currentThroughputIn(), m_networkMonitor->currentThroughputOut());
    };
    connect(m_networkMonitor, &NetworkInterfaceMonitor::currentThroughputInChanged, m_graphs, showRates);
    connect(m_networkMonitor, &NetworkInterfaceMonitor::currentThroughputOutChanged, m_graphs, showRates);
    if (const auto &interfaceID = m_networkState->networkInterface()) {
        Console::print(QStringLiteral("PerformanceTestView: Starting monitoring for interface: ") + *interfaceID);
        m_networkMonitor->startMonitoring(*interfaceID);
    } else {
        Console::print(QStringLiteral("PerformanceTestView: No specific interface to monitor"));
    }
    startGraphUpdateTimer();
    connect(&AppNotifier::instance(), &AppNotifier::developerSettingsChanged, this,
            &PerformanceTestView::settingsChanged);
}

void PerformanceTestView::startGraphUpdateTimer()
{
    const QPointer<NetworkInterfaceMonitor> monitor(m_networkMonitor);
    m_graphState->startGraphUpdateTimer(
        [monitor]() -> std::optional<QList<NetworkTrafficSample>> {
            if (!monitor || !monitor->isMonitoring())
                return std::nullopt;
            return monitor->trafficSamples();
        },
        m_networkState, m_executionState->isRunningTest());
}

void PerformanceTestView::restartMonitoring(const QString &interfaceID)
{
    if (!m_networkMonitor || interfaceID.isEmpty())
        return;
    m_networkMonitor->restartMonitoring(interfaceID);
}

void PerformanceTestView::startStopAction()
{
    if (m_executionState->isRunningTest())
        stopTest();
    else
        startTest();
}

void PerformanceTestView::startTest()
{
    if (m_executionState->isPostTestView()) {
        m_networkState->setRestartMonitoringTrigger(true);
        Console::print(QStringLiteral("Triggered monitor restart via binding"));
    }
    m_executionState->setIsPostTestView(false);
    Console::print(QStringLiteral("post test view set to false"));

    m_results->setLatestResult(std::nullopt);
    m_graphState->setTimelineMarkers({});
    m_progress->reset();
    m_executionState->setTestRunTime(0);
    m_progress->setTotalTargetBytes(m_configuration->totalTargetBytes());
    startGraphUpdateTimer();
    m_executionState->startRunTimeTimer();
    m_executionState->setIsRunningTest(true);
    m_graphState->setStreamResults({});
    m_graphState->setChartData({});
    m_executionState->setTestStartTime(QDateTime::currentDateTime());
    m_awaitingResult = true;

    TestRequest request;
    request.share = m_share;
    request.locationPath = m_parameters.selectedLocation;
    request.chunkSize = m_configuration->selectedFileSize();
    request.queueDepth = m_configuration->queueDepth();
    request.bytesPerCycle = m_configuration->selectedBytesPerCycle();
    request.customBytesPerCycle = m_configuration->customBytesValue();
    request.totalCycles = m_configuration->totalCycles();
    request.disableCache = m_configuration->disableCache();
    request.writePhaseEnabled = m_configuration->writePhaseEnabled();
    request.readPhaseEnabled = m_configuration->readPhaseEnabled();
    request.samplingRateSeconds = m_graphState->samplingRate();
    request.developerMode = PreferencesManager::isDeveloperMode();
    request.interfaceInfo = locationDescription(m_share, m_parameters.isNetworkLocation, m_parameters.selectedLocation, false);
    m_engine->start(
        request,
        [this](double fraction, const QString &message, const QList<StreamResult> &streamResults,
               const QList<TimelineMarker> &timelineMarkers, const QString &operation, int cycle, int) {
            handleProgress(fraction, message, streamResults, timelineMarkers, operation, cycle);
        },
        [this](const PerformanceTestResult &result) { handleCompletion(result); });
}

void PerformanceTestView::stopTest()
{
    // A second press, or one in the second between the result and the
    // post-test view, must not reach the engine again.
    if (m_executionState->isStoppingTest() || !m_awaitingResult)
        return;
    m_executionState->setIsStoppingTest(true);
    emit stopRequested();
    m_engine->stop();
}

void PerformanceTestView::handleProgress(double fraction, const QString &message,
                                         const QList<StreamResult> &streamResults,
                                         const QList<TimelineMarker> &timelineMarkers, const QString &operation,
                                         int cycle)
{
    const quint64 bytesPerCycle = m_configuration->bytesPerCycleBytes();
    const auto processed = quint64(double(bytesPerCycle) * std::clamp(fraction, 0.0, 1.0));
    m_graphState->setTimelineMarkers(timelineMarkers);
    const quint64 before = quint64(std::max(0, cycle - 1)) * bytesPerCycle;
    if (operation == QLatin1String("write")) {
        m_progress->setTotalWriteBytesProcessed(before + processed);
        if (!streamResults.isEmpty() && streamResults.last().operation == QLatin1String("write"))
            m_progress->setWriteValue(streamResults.last().throughput);
    } else if (operation == QLatin1String("read")) {
        m_progress->setTotalReadBytesProcessed(before + processed);
        if (!streamResults.isEmpty() && streamResults.last().operation == QLatin1String("read"))
            m_progress->setReadValue(streamResults.last().throughput);
    }
    m_progress->setProgressMessage(message);
    m_graphState->setStreamResults(streamResults);
    m_graphState->rebuildChartData();
}

void PerformanceTestView::handleCompletion(const PerformanceTestResult &result)
{
    // The engine reports a run once; a late duplicate must not restart the
    // post-test timing or replace the result shown.
    if (!m_awaitingResult)
        return;
    m_awaitingResult = false;
    if (result.metrics.contains(QStringLiteral("readSpeed"))) {
        m_progress->setReadValue(result.metrics.value(QStringLiteral("readSpeed")));
        m_progress->setOverallAverageRead(result.metrics.value(QStringLiteral("readSpeed")));
    }
    if (result.metrics.contains(QStringLiteral("writeSpeed"))) {
        m_progress->setWriteValue(result.metrics.value(QStringLiteral("writeSpeed")));
        m_progress->setOverallAverageWrite(result.metrics.value(QStringLiteral("writeSpeed")));
    }
    m_progress->setTotalWriteBytesProcessed(m_progress->totalTargetBytes() / 2);
    m_progress->setTotalReadBytesProcessed(m_progress->totalTargetBytes() / 2);
    m_executionState->setIsStoppingTest(false);
    m_results->setLatestResult(result);
    const double duration = double(m_executionState->testStartTime().msecsTo(QDateTime::currentDateTime())) / 1000.0;
    QTimer::singleShot(finishDelayMilliseconds, this, [this, duration] { finishTest(duration); });
}

void PerformanceTestView::finishTest(double durationSeconds)
{
    m_executionState->setFinalReferenceTime(QDateTime::currentDateTime());
    m_executionState->stopRunTimeTimer();
    m_graphState->stopGraphUpdateTimer();
    m_executionState->setIsRunningTest(false);
    m_executionState->setIsPostTestView(true);
    Console::print(QStringLiteral("post test view set to true"));
    const double window = postTestWindowSeconds(durationSeconds);
    Console::print(QStringLiteral("Adjusting graph time window to ") + Console::number(window)
                   + QStringLiteral("s (test ran for ") + Console::number(durationSeconds) + QStringLiteral("s)"));
    m_graphState->setGraphHistoryDuration(window);
    if (m_networkMonitor) {
        m_networkMonitor->updateSettings(std::max(minimumSamplingSeconds, m_graphState->samplingRate()), window);
        m_networkMonitor->stopSampling();
    }
}

void PerformanceTestView::settingsChanged()
{
    const double oldDuration = m_graphState->graphHistoryDuration();
    m_graphState->setGraphHistoryDuration(m_preferences->graphHistoryDuration());
    m_graphState->setSamplingRate(m_preferences->graphSamplingRate());
    m_graphState->setGraphRefreshRate(m_preferences->graphRefreshRate());
    m_configuration->setDisableCache(m_preferences->disableCacheEnabled());
    Console::print(QStringLiteral("PerformanceTestView: Settings updated, history duration: ")
                   + Console::number(m_graphState->graphHistoryDuration()) + QStringLiteral("s (was ")
                   + Console::number(oldDuration) + QStringLiteral("s)"));
    if (m_networkMonitor) {
        m_networkMonitor->updateSettings(std::max(minimumSamplingSeconds, m_graphState->samplingRate()),
                                         m_graphState->graphHistoryDuration());
    }
    if (!m_graphState->chartData().isEmpty())
        m_graphState->rebuildChartData();
}

void PerformanceTestView::closeAction()
{
    leaveScreen();
    emit closeRequested();
}

void PerformanceTestView::leaveScreen()
{
    if (m_hasLeft)
        return;
    m_hasLeft = true;
    if (m_executionState->isRunningTest())
        m_engine->setCancelRequested(true);
    m_executionState->stopRunTimeTimer();
    if (m_networkMonitor)
        m_networkMonitor->stopMonitoring();
    m_graphState->stopGraphUpdateTimer();
    disconnect(&AppNotifier::instance(), &AppNotifier::developerSettingsChanged, this,
               &PerformanceTestView::settingsChanged);
    if (m_parameters.selectedLocation.isEmpty())
        return;
    if (AppDelegate *delegate = AppDelegate::shared()) {
        Console::print(QStringLiteral("PerformanceTestView: Triggering cleanup of test directories when leaving view"));
        delegate->cleanupTestDirectories(m_parameters.selectedLocation);
    } else {
        Console::print(QStringLiteral("Unable to access shared AppDelegate reference"));
    }
}

} // namespace trevlamark
