#include "ui/performancetestview.h"

#include "app/appnotifier.h"
#include "app/console.h"
#include "app/preferencesmanager.h"
#include "engine/performancetestmanager.h"
#include "monitor/networkinterfacemonitor.h"
#include "ui/appdelegate.h"
#include "ui/chartgeometry.h"
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
    , m_engine(new PerformanceTestManager(parameters.shareManager, this))
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
    m_backButton->setIcon(QIcon::fromTheme(QStringLiteral("go-previous")));
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
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(m_scrollArea);
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(16, 12, 16, 12);
    contentLayout->setSpacing(12);

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

    connect(m_progress, &TestProgress::progressMessageChanged, this, &PerformanceTestView::updateProgressSection);
    connect(m_progress, &TestProgress::overallProgressChanged, this, &PerformanceTestView::updateProgressSection);
    connect(m_results, &TestResults::latestResultChanged, this,
            [this] { m_resultsSection->setTestResult(m_results->latestResult()); });
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
        m_parameters.shareManager, std::max(minimumSamplingSeconds, m_graphState->samplingRate()),
        m_graphState->graphHistoryDuration(), this);
    if (const auto &interfaceID = m_networkState->networkInterface()) {
        Console::print(QStringLiteral("PerformanceTestView: Starting monitoring for interface: ") + *interfaceID);
        m_networkMonitor->startMonitoring(*interfaceID);
    } else {
        Console::print(QStringLiteral("PerformanceTestView: No specific interface to monitor"));
    }
    startGraphUpdateTimer();
    connect(&AppNotifier::instance(), &AppNotifier::developerSettingsChanged, this,
            &PerformanceTestView::settingsChanged);
    connect(m_networkState, &NetworkMonitoringState::restartMonitoringTriggerChanged, this,
            &PerformanceTestView::restartMonitoring);
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

void PerformanceTestView::restartMonitoring()
{
    const auto &interfaceID = m_networkState->networkInterface();
    if (!m_networkMonitor || !interfaceID)
        return;
    m_networkMonitor->updateSettings(std::nullopt, m_graphState->graphHistoryDuration());
    m_networkMonitor->restartMonitoring(*interfaceID);
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
        m_networkState->setRestartMonitoringTrigger(!m_networkState->restartMonitoringTrigger());
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
    m_engine->setSamplingRate(m_graphState->samplingRate());
    m_awaitingResult = true;

    m_engine->startStreamingTest(
        m_share, m_configuration->selectedFileSize(), m_configuration->queueDepth(),
        m_configuration->selectedBytesPerCycle(), m_configuration->customBytesValue(),
        m_configuration->totalCycles(), m_configuration->disableCache(), m_parameters.selectedLocation,
        m_configuration->writePhaseEnabled(), m_configuration->readPhaseEnabled(),
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
    m_engine->stopStreamingTest(
        m_share, m_parameters.selectedLocation, false,
        locationDescription(m_share, m_parameters.isNetworkLocation, m_parameters.selectedLocation, false),
        m_configuration->streamTestOptions(), [this](const PerformanceTestResult &result) { handleCompletion(result); });
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
