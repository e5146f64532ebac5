#include "ui/testscreen/testscreen.h"

#include "platform/logcategories.h"
#include "settings/preferencesmanager.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "engine/testrun.h"
#include "monitor/networkinterfacemonitor.h"
#include "discovery/sharemanager.h"
#include "ui/charts/chartgeometry.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/charts/trafficfeed.h"
#include "ui/charts/trafficgeometry.h"
#include "ui/common/follow.h"
#include "ui/common/paintclock.h"
#include "ui/common/resultcard.h"
#include "ui/common/steadymessage.h"
#include "ui/testscreen/chartfeed.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/fioserversfield.h"
#include "ui/testscreen/gaugepanel.h"
#include "ui/testscreen/mediatestdialog.h"
#include "ui/testscreen/parameterbinding.h"
#include "ui/testscreen/progressline.h"
#include "ui/testscreen/resultssection.h"
#include "ui/testscreen/runcheckpanel.h"
#include "ui/testscreen/runstate.h"
#include "ui/testscreen/startstopbutton.h"
#include "ui/testscreen/testscreenheader.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
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

// A folder of this computer stands in as a share, but no mount was detected for it.
NetworkShare localShare(const QString &location)
{
    NetworkShare share(QUuid::createUuid(), QStringLiteral("local"), QFileInfo(location).fileName(), QString(),
                       location, QStringLiteral("local"));
    share.isDetected = false;
    return share;
}

} // namespace

TestScreen::TestScreen(const TestParameters &parameters, PreferencesManager *preferences,
                       QWidget *parent)
    : QWidget(parent)
    , m_parameters(parameters)
    , m_share(parameters.networkShare.value_or(localShare(parameters.selectedLocation)))
    , m_preferences(preferences)
    , m_request(new EditedRequest(this))
    , m_progress(new RunState(this))
    , m_chartFeed(new ChartFeed(this))
    , m_trafficFeed(new TrafficFeed(this))
{
    buildLayout();
    showScreen();
}

TestScreen::~TestScreen()
{
    leaveScreen();
}

double TestScreen::dynamicMaxY() const
{
    return ChartGeometry::dynamicMaxY(m_chartFeed->chartMaximum(), m_trafficFeed->samples(), linkSpeedMbps());
}

std::optional<int> TestScreen::linkSpeedMbps() const
{
    const auto &info = m_parameters.networkInterfaceInfo;
    return info ? info->speedMbps : std::nullopt;
}

void TestScreen::buildLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new TestScreenHeader(
        TestScreenHeader::locationDescription(m_share, m_parameters.isNetworkLocation, m_parameters.selectedLocation, true), this);
    m_backButton = header->backButton();
    connect(m_backButton, &QToolButton::clicked, this, &TestScreen::closeAction);
    connect(header->mediaTestButton(), &QToolButton::clicked, this, [this] { openMediaTest(); });
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

    m_checkPanel = new RunCheckPanel(content);
    contentLayout->addWidget(m_checkPanel);
    m_gaugePanel = new GaugePanel(content);
    contentLayout->addWidget(m_gaugePanel);
    m_fioServers = new FioServersField(m_parameters.selectedLocation, content);
    contentLayout->addWidget(m_fioServers);
    m_graphs = new TestGraphPanel(content);
    contentLayout->addWidget(m_graphs);

    auto *progressSection = new QWidget(content);
    auto *progressLayout = new QVBoxLayout(progressSection);
    progressLayout->setContentsMargins(0, 8, 0, 8);
    progressLayout->setSpacing(4);
    // A long failure (every unreachable server's error) wraps instead of widening the screen; the
    // message changes with every sample, so it lays out the screen only when its height changes.
    m_progressMessage = new SteadyMessage(progressSection);
    m_progressMessage->setObjectName(QStringLiteral("progressMessage"));
    m_progressMessage->label()->setForegroundRole(QPalette::PlaceholderText);
    // Selectable once the run is over: a selectable label asks for a frame of its own after each new text.
    follow(m_progress, &RunState::isRunningTestChanged, m_progressMessage, [this] {
        m_progressMessage->label()->setTextInteractionFlags(m_progress->isRunningTest() ? Qt::NoTextInteraction : Qt::TextSelectableByMouse);
    });
    m_progressLine = new ProgressLine(progressSection);
    m_progressLine->setObjectName(QStringLiteral("progressLine"));
    m_verifySwitch = new QCheckBox(QStringLiteral("Verify data on read"), progressSection);
    m_verifySwitch->setObjectName(QStringLiteral("verifySwitch"));
    progressLayout->addWidget(m_verifySwitch);
    progressLayout->addWidget(m_progressMessage);
    progressLayout->addWidget(m_progressLine);
    contentLayout->addWidget(progressSection);

    m_resultsSection = new ResultsSection(content);
    connect(m_resultsSection->card(), &ResultCard::pacedTestRequested, this, &TestScreen::openMediaTest);
    contentLayout->addWidget(m_resultsSection);
    contentLayout->addStretch();
    m_scrollArea->setWidget(content);
    layout->addWidget(m_scrollArea, 1);

    bindGaugePanel();
    bindGraphs();
    connect(m_progress, &RunState::progressMessageChanged, this, &TestScreen::updateProgressSection);
    connect(m_progress, &RunState::overallProgressChanged, this, &TestScreen::updateProgressSection);
    follow(m_progress, &RunState::latestResultChanged, m_resultsSection,
           [this] { m_resultsSection->setTestResult(m_progress->latestResult()); });
}

void TestScreen::bindGaugePanel()
{
    using R = RunState;
    new ParameterBinding(m_request, m_gaugePanel, this);
    follow(m_progress, &R::isRunningTestChanged, m_gaugePanel,
           [this] { m_gaugePanel->setRunningTest(m_progress->isRunningTest()); });
    follow(m_progress, &R::isStoppingTestChanged, m_gaugePanel,
           [this] { m_gaugePanel->setStoppingTest(m_progress->isStoppingTest()); });
    follow(m_progress, &R::testRunTimeChanged, m_gaugePanel,
           [this] { m_gaugePanel->setTestRunTime(m_progress->testRunTime()); });
    follow(m_progress, &R::isPostTestViewChanged, m_gaugePanel,
           [this] { m_gaugePanel->setPostTest(m_progress->isPostTestView()); });
    follow(m_progress, &R::writeValueChanged, m_gaugePanel,
           [this] { m_gaugePanel->setWriteValue(m_progress->writeValue()); });
    follow(m_progress, &R::readValueChanged, m_gaugePanel,
           [this] { m_gaugePanel->setReadValue(m_progress->readValue()); });
    follow(m_chartFeed, &ChartFeed::chartDataChanged, m_gaugePanel,
           [this] { m_gaugePanel->setChartData(m_chartFeed->gaugeChartData()); });
    m_gaugePanel->setNetworkMaxSpeedMbps(linkSpeedMbps());
    const auto &info = m_parameters.networkInterfaceInfo;
    m_gaugePanel->setInterfaceMTU(info ? info->mtu : std::nullopt);
    m_gaugePanel->setPaintClock(m_trafficFeed->clock());
    connect(m_gaugePanel, &GaugePanel::startStopClicked, this, &TestScreen::startStopAction);
    const auto holdStart = [this] {
        QAbstractButton *start = m_gaugePanel->startStopButton();
        start->setEnabled(m_progress->isRunningTest() || m_checkPanel->allowsStart());
        start->setToolTip(m_progress->isRunningTest() ? QString() : m_checkPanel->holdReason());
    };
    follow(m_checkPanel, &RunCheckPanel::verdictChanged, m_gaugePanel, holdStart);
    connect(m_progress, &R::isRunningTestChanged, m_gaugePanel, holdStart);
    connect(m_request, &EditedRequest::changed, m_checkPanel, [this] {
        if (!m_progress->isRunningTest())
            m_checkPanel->check(composedRequest());
    });
}

void TestScreen::bindGraphs()
{
    using R = RunState;
    const auto &info = m_parameters.networkInterfaceInfo;
    m_graphs->setNetworkLocation(m_parameters.isNetworkLocation);
    m_graphs->setInterfaceID(info ? info->interfaceID : QString());
    m_graphs->setNetworkRawSpeed(info ? info->rawSpeed : std::nullopt);
    // The record the main screen looked up: its formatted speed ("10 Gbps", WiFi) from the start.
    m_graphs->setCachedInterfaceInfo(info);
    follow(m_chartFeed, &ChartFeed::chartDataChanged, m_graphs,
           [this] { m_graphs->setChartData(m_chartFeed->chartData()); });
    follow(m_chartFeed, &ChartFeed::timelineMarkersChanged, m_graphs,
           [this] { m_graphs->setTimelineMarkers(m_chartFeed->timelineMarkers()); });
    // Every tick, changed samples or not: the graphs' right edge is "now".
    connect(m_trafficFeed, &TrafficFeed::ticked, m_graphs,
            [this] { m_graphs->setNetworkChartData(m_trafficFeed->samples()); });
    follow(m_progress, &R::isRunningTestChanged, m_graphs,
           [this] { m_graphs->setRunningTest(m_progress->isRunningTest()); });
    // Data read on fio servers never reaches this computer, so it cannot be verified here.
    const auto refreshVerifySwitch = [this] {
        m_verifySwitch->setEnabled(!m_progress->isRunningTest() && !m_fioServers->hasServers());
        m_verifySwitch->setToolTip(m_fioServers->hasServers()
                ? QStringLiteral("The fio servers read the data, so this computer cannot verify it") : QString());
    };
    connect(m_fioServers, &FioServersField::serversChanged, m_verifySwitch, refreshVerifySwitch);
    follow(m_progress, &R::isRunningTestChanged, m_verifySwitch, [this, refreshVerifySwitch] {
        refreshVerifySwitch();
        m_fioServers->setEnabled(!m_progress->isRunningTest());
    });
    follow(m_progress, &R::isPostTestViewChanged, m_graphs,
           [this] { m_graphs->setPostTestView(m_progress->isPostTestView()); });
    connect(m_progress, &R::finalReferenceTimeChanged, m_graphs, [this] {
        const QDateTime reference = m_progress->finalReferenceTime();
        m_graphs->setReferenceTime(reference.isValid() ? std::optional(reference) : std::nullopt);
    });
    connect(m_graphs, &TestGraphPanel::restartMonitoringRequested, this, &TestScreen::restartMonitoring);

    connect(m_graphs, &TestGraphPanel::interfaceInfoRequested, this, [this](const QString &interfaceID) {
        const auto &known = m_parameters.networkInterfaceInfo;
        if (known && known->interfaceID == interfaceID)
            m_graphs->setCachedInterfaceInfo(known);
        else if (m_parameters.shareManager)
            m_graphs->setCachedInterfaceInfo(m_parameters.shareManager->interfaceInfo(interfaceID));
    });

    connect(m_chartFeed, &ChartFeed::chartDataChanged, this, &TestScreen::refreshScale);
    connect(m_trafficFeed, &TrafficFeed::samplesChanged, this, &TestScreen::refreshScale);
    refreshScale();
}

void TestScreen::refreshScale()
{
    const double maxY = dynamicMaxY();
    m_gaugePanel->setDynamicMaxY(maxY);
    m_graphs->setMaxY(maxY);
}

void TestScreen::updateProgressSection()
{
    m_progressMessage->setText(m_progress->progressMessage());
    m_progressLine->moveTo(m_progress->overallProgress());
}

void TestScreen::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_graphs->setMainWindowSize(event->size());
}

void TestScreen::showScreen()
{
    TestRequest defaults = TestRequest::defaultsFor(m_parameters.isNetworkLocation, linkSpeedMbps());
    // The amount the custom choice proposes until the user enters one.
    if (defaults.customBytesPerCycle == 0)
        defaults.customBytesPerCycle = defaultCustomBytesPerCycle;
    defaults.disableCache = m_preferences->disableCacheEnabled();
    defaults.samplingRateSeconds = m_preferences->graphSamplingRate();
    m_request->setValue(defaults);
    m_graphs->setTimeWindow(m_preferences->graphHistoryDuration());
    m_graphRefreshRate = m_preferences->graphRefreshRate();
    m_progress->setIsPostTestView(false);
    m_checkPanel->check(composedRequest());

    if (m_networkMonitor) {
        m_networkMonitor->stopMonitoring();
        delete m_networkMonitor;
    }
    m_networkMonitor = new NetworkInterfaceMonitor(
        m_parameters.shareManager.get(), std::max(minimumSamplingSeconds, m_request->value().samplingRateSeconds),
        m_graphs->timeWindow(), this);
    connect(m_networkMonitor, &NetworkInterfaceMonitor::isMonitoringChanged, m_graphs,
            [this](bool isMonitoring) { m_graphs->setMonitoring(isMonitoring); });
    const auto showRates = [this] {
        m_graphs->setCurrentThroughput(m_networkMonitor->currentThroughputIn(), m_networkMonitor->currentThroughputOut());
    };
    connect(m_networkMonitor, &NetworkInterfaceMonitor::currentThroughputInChanged, m_graphs, showRates);
    connect(m_networkMonitor, &NetworkInterfaceMonitor::currentThroughputOutChanged, m_graphs, showRates);
    if (const auto &info = m_parameters.networkInterfaceInfo) {
        qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: Starting monitoring for interface: ")
                                  + info->interfaceID;
        m_networkMonitor->startMonitoring(info->interfaceID);
    } else {
        qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: No specific interface to monitor");
    }
    startGraphUpdateTimer();
    connect(m_preferences, &PreferencesManager::saved, this, &TestScreen::settingsChanged);
}

void TestScreen::startGraphUpdateTimer()
{
    m_trafficFeed->setMonitor(m_networkMonitor);
    m_trafficFeed->start(int(std::lround(m_graphRefreshRate * 1000)));
}

void TestScreen::restartMonitoring(const QString &interfaceID)
{
    if (!m_networkMonitor || interfaceID.isEmpty())
        return;
    m_networkMonitor->restartMonitoring(interfaceID);
}

void TestScreen::startStopAction()
{
    if (m_progress->isRunningTest())
        stopTest();
    else
        startTest();
}

void TestScreen::startTest()
{
    if (m_progress->isPostTestView()) {
        m_graphs->setRestartMonitoring(true);
        qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: Triggered monitor restart via binding");
    }
    m_progress->setIsPostTestView(false);
    qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: post test view set to false");

    m_progress->setLatestResult(std::nullopt);
    m_chartFeed->setTimelineMarkers({});
    m_progress->resetProgress();
    m_progress->setTestRunTime(0);
    m_runRequest = composedRequest();
    m_progress->setProgressTargetBytes(m_runRequest.totalTargetBytes());
    startGraphUpdateTimer();
    m_progress->startRunTimeTimer();
    m_progress->setIsRunningTest(true);
    m_chartFeed->setStreamResults({});
    m_progress->setTestStartTime(QDateTime::currentDateTime());
    m_awaitingResult = true;
    startRun();
}

TestRequest TestScreen::composedRequest() const
{
    TestRequest request = m_request->value();
    request.share = m_share;
    request.locationPath = m_parameters.selectedLocation;
    request.developerMode = PreferencesManager::isDeveloperMode();
    request.verifyData = m_verifySwitch->isChecked() && !m_fioServers->hasServers();
    request.link = m_parameters.networkInterfaceInfo;
    request.interfaceInfo = TestScreenHeader::locationDescription(m_share, m_parameters.isNetworkLocation, m_parameters.selectedLocation, false);
    return request;
}

void TestScreen::startRun()
{
    // The check refused this location: nothing is written there.
    if (const std::optional<CheckReport> &check = m_checkPanel->report();
        !m_checkPanel->isChecking() && check && check->isRefused())
        return handleCompletion(PerformanceTestResult::failure(QStringLiteral("Refused: ") + check->refusalText()));
    QString clientsProblem;
    const std::optional<QList<FioClient>> clients = m_fioServers->clients(m_runRequest.locationPath, clientsProblem);
    if (!clients)
        return handleCompletion(PerformanceTestResult::failure(clientsProblem));
    m_runRequest.clients = *clients;
    // The last run may still be removing its data; it goes away on its own.
    TestRun::dispose(std::move(m_run));
    m_run = TestRun::create(m_runRequest);
    connect(m_run.get(), &TestRun::progressed, this, &TestScreen::handleProgress);
    connect(m_run.get(), &TestRun::finished, this, [this](const PerformanceTestResult &result) {
        if (m_awaitingResult)
            emit runFinished(m_runRequest, result);
        handleCompletion(result);
    });
    m_run->start(m_runRequest);
    // Until the first phase moves, the run waits for its location (or servers) to answer.
    if (m_run->isRunning())
        m_progress->setProgressMessage(QStringLiteral("Waiting for %1 to answer").arg(m_runRequest.clients.isEmpty()
                ? m_runRequest.testLocation() : QStringLiteral("the fio servers")));
}

MediaTestDialog *TestScreen::openMediaTest(const QString &format, int streams)
{
    auto *dialog = new MediaTestDialog(m_parameters.selectedLocation, this);
    // The servers listed for the location run the streams, as they run the streaming test.
    QString clientsProblem;
    dialog->setClients(m_fioServers->clients(m_parameters.selectedLocation, clientsProblem).value_or(QList<FioClient>()),
        clientsProblem);
    dialog->chooseFormat(format, streams);
    connect(dialog, &MediaTestDialog::resultReady, this, &TestScreen::mediaRunFinished);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

QList<StreamResult> TestScreen::runStreamResults() const
{
    return m_run ? m_run->streamResults() : QList<StreamResult>{};
}

QList<TimelineMarker> TestScreen::runTimelineMarkers() const
{
    return m_run ? m_run->timelineMarkers() : QList<TimelineMarker>{};
}

void TestScreen::stopTest()
{
    // A second press, or one in the second between the result and the
    // post-test view, must not reach the run again.
    if (m_progress->isStoppingTest() || !m_awaitingResult)
        return;
    m_progress->setIsStoppingTest(true);
    emit stopRequested();
    stopRun();
}

void TestScreen::stopRun()
{
    if (m_run)
        m_run->stop();
}

void TestScreen::handleProgress(const RunProgress &progress)
{
    // Nothing after the result: its end state and figures stay.
    if (!m_awaitingResult)
        return;
    // The newest progress waits for the screen's next frame; a phase's end, with its own figure, shows at once.
    m_trafficFeed->clock()->defer([this, progress] { showProgress(progress); });
    if (progress.phaseThroughput)
        m_trafficFeed->clock()->flush();
}

void TestScreen::showProgress(const RunProgress &progress)
{
    // The run's own amount: the controls are locked, but the edited request can still change.
    const quint64 bytesPerCycle = m_runRequest.resolvedBytesPerCycle();
    const auto processed = quint64(double(bytesPerCycle) * std::clamp(progress.fraction, 0.0, 1.0));
    const quint64 before = quint64(std::max(0, progress.cycle - 1)) * bytesPerCycle;
    const QList<StreamResult> streamResults = m_run->streamResults();
    const bool write = progress.phase == Phase::Write;
    if (write)
        m_progress->setTotalWriteBytesProcessed(before + processed);
    else
        m_progress->setTotalReadBytesProcessed(before + processed);
    std::optional<double> shown = progress.phaseThroughput;
    if (!shown && !streamResults.isEmpty() && streamResults.last().operation == phaseName(progress.phase))
        shown = streamResults.last().throughput;
    if (shown && write)
        m_progress->setWriteValue(*shown);
    else if (shown)
        m_progress->setReadValue(*shown);
    if (progress.phaseThroughput)
        m_gaugePanel->setCompletedPhase(progress.phase, progress.phaseId, *progress.phaseThroughput);
    m_chartFeed->setTimelineMarkers(m_run->timelineMarkers());
    m_progress->setProgressMessage(progress.message);
    m_chartFeed->setStreamResults(streamResults);
}

void TestScreen::handleCompletion(const PerformanceTestResult &result)
{
    // A run reports its result once; a late duplicate must not restart the
    // post-test timing or replace the result shown.
    if (!m_awaitingResult)
        return;
    m_trafficFeed->clock()->flush();
    m_awaitingResult = false;
    if (result.metrics.contains(QStringLiteral("readSpeed")))
        m_progress->setReadValue(result.metrics.value(QStringLiteral("readSpeed")));
    if (result.metrics.contains(QStringLiteral("writeSpeed")))
        m_progress->setWriteValue(result.metrics.value(QStringLiteral("writeSpeed")));
    // A stopped or failed run keeps its bar where it ended.
    if (result.success && result.isAutoStop) {
        m_progress->setTotalWriteBytesProcessed(m_progress->progressTargetBytes() / 2);
        m_progress->setTotalReadBytesProcessed(m_progress->progressTargetBytes() - m_progress->progressTargetBytes() / 2);
    }
    m_progress->setProgressMessage(RunState::endStateText(result));
    m_progress->setIsStoppingTest(false);
    m_progress->setLatestResult(result);
    const double duration = double(m_progress->testStartTime().msecsTo(QDateTime::currentDateTime())) / 1000.0;
    QTimer::singleShot(finishDelayMilliseconds, this, [this, duration] { finishTest(duration); });
}

void TestScreen::finishTest(double durationSeconds)
{
    m_progress->setFinalReferenceTime(QDateTime::currentDateTime());
    m_progress->stopRunTimeTimer();
    m_trafficFeed->stop();
    m_progress->setIsRunningTest(false);
    m_progress->setIsPostTestView(true);
    qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: post test view set to true");
    const double window = TrafficGeometry::postTestTimeWindowSeconds(durationSeconds);
    qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: Adjusting graph time window to ") + logNumber(window)
                              + QStringLiteral("s (test ran for ") + logNumber(durationSeconds) + QStringLiteral("s)");
    m_graphs->setTimeWindow(window);
    if (m_networkMonitor) {
        m_networkMonitor->updateSettings(std::max(minimumSamplingSeconds, m_request->value().samplingRateSeconds),
                                         window);
        m_networkMonitor->stopSampling();
    }
}

void TestScreen::settingsChanged()
{
    const double oldDuration = m_graphs->timeWindow();
    m_graphs->setTimeWindow(m_preferences->graphHistoryDuration());
    m_graphRefreshRate = m_preferences->graphRefreshRate();
    m_request->update([this](TestRequest &request) {
        request.samplingRateSeconds = m_preferences->graphSamplingRate();
        request.disableCache = m_preferences->disableCacheEnabled();
    });
    qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: Settings updated, history duration: ")
                              + logNumber(m_graphs->timeWindow()) + QStringLiteral("s (was ")
                              + logNumber(oldDuration) + QStringLiteral("s)");
    if (m_networkMonitor) {
        m_networkMonitor->updateSettings(std::max(minimumSamplingSeconds, m_request->value().samplingRateSeconds),
                                         m_graphs->timeWindow());
    }
    if (!m_chartFeed->chartData().isEmpty())
        m_chartFeed->rebuildChartData();
}

void TestScreen::closeAction()
{
    leaveScreen();
    emit closeRequested();
}

void TestScreen::leaveScreen()
{
    if (m_hasLeft)
        return;
    m_hasLeft = true;
    // A running test is cancelled; its data is removed without the screen.
    TestRun::dispose(std::move(m_run));
    m_progress->stopRunTimeTimer();
    if (m_networkMonitor)
        m_networkMonitor->stopMonitoring();
    m_trafficFeed->stop();
    if (m_preferences)
        disconnect(m_preferences, &PreferencesManager::saved, this, &TestScreen::settingsChanged);
    if (m_parameters.selectedLocation.isEmpty())
        return;
    qCInfo(lcUi).noquote() << QStringLiteral("TestScreen: Triggering cleanup of test directories when leaving view");
    // A share that stopped answering would hold the window for as long as it is stopped.
    DetachedThreads::start([location = m_parameters.selectedLocation] { TestDirectory::sweep(location); });
}

} // namespace trevlamark
