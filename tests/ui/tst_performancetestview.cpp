#include "settings/appnotifier.h"
#include "settings/preferencesmanager.h"
#include "engine/performancetestmanager.h"
#include "monitor/networkinterfacemonitor.h"
#include "support/scratchvolume.h"
#include "scriptedalertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/gaugepanelview.h"
#include "ui/startstopbutton.h"
#include "ui/graphstate.h"
#include "ui/networkmonitoringstate.h"
#include "ui/performancetestview.h"
#include "ui/resultitemview.h"
#include "ui/resultssectionview.h"
#include "ui/testconfiguration.h"
#include "ui/testexecutionstate.h"
#include "ui/testprogress.h"
#include "ui/testresults.h"
#include "ui/throughputgaugeview.h"
#include "widgetscreenshot.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

namespace {
constexpr int runTimeoutMilliseconds = 120000;
constexpr quint64 mebibyte = 1048576;

TestParameters localParameters(const QString &path)
{
    return TestParameters{path, false, std::nullopt, std::nullopt, nullptr};
}

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

QStringList cardTexts(const PerformanceTestView &view)
{
    QStringList texts;
    for (const QLabel *label : view.resultsSection()->itemView()->findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}
} // namespace

class tst_PerformanceTestView : public QObject
{
    Q_OBJECT

private slots:
    void networkDefaults_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<std::optional<int>>("speed");
        QTest::addColumn<BytesPerCycleOptions>("bytes");
        QTest::addColumn<int>("queueDepth");
        QTest::newRow("local") << false << std::optional<int>(100) << BytesPerCycleOptions::size4GB << 8;
        QTest::newRow("25 Gbps") << true << std::optional<int>(25000) << BytesPerCycleOptions::size4GB << 8;
        QTest::newRow("10 Gbps") << true << std::optional<int>(10000) << BytesPerCycleOptions::size2GB << 8;
        QTest::newRow("just below 10 Gbps") << true << std::optional<int>(9999) << BytesPerCycleOptions::size1GB << 4;
        QTest::newRow("unknown") << true << std::optional<int>() << BytesPerCycleOptions::size1GB << 4;
    }

    void networkDefaults()
    {
        QFETCH(bool, network);
        QFETCH(std::optional<int>, speed);
        QFETCH(BytesPerCycleOptions, bytes);
        QFETCH(int, queueDepth);
        const auto defaults = PerformanceTestView::networkDefaults(network, speed);
        QCOMPARE(defaults.first, bytes);
        QCOMPARE(defaults.second, queueDepth);
    }

    void postTestWindow_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("window");
        QTest::newRow("7.3 s") << 7.3 << 10.0;
        QTest::newRow("whole 8 s") << 8.0 << 10.0;
        QTest::newRow("instant") << 0.0 << 2.0;
    }

    void postTestWindow()
    {
        QFETCH(double, duration);
        QFETCH(double, window);
        QCOMPARE(PerformanceTestView::postTestWindowSeconds(duration), window);
    }

    void localFolderScreen()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        QCOMPARE(view.findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QLatin1Char(' ') + location.path());
        QCOMPARE(view.backButton()->toolTip(), QStringLiteral("Return to main view"));
        QCOMPARE(view.share().hostname, QStringLiteral("local"));
        QCOMPARE(view.share().filesystemType, QStringLiteral("local"));
        QCOMPARE(view.share().shareProtocol, NetworkShare::ShareProtocol::unknown);
        QCOMPARE(view.configuration()->queueDepth(), 8);
        QCOMPARE(view.configuration()->selectedBytesPerCycle(), BytesPerCycleOptions::size4GB);
        QVERIFY(view.graphState()->hasGraphUpdateTimer());
        QVERIFY(!view.networkMonitor()->isMonitoring());
        QCOMPARE(view.dynamicMaxY(), 125.0 * 1.1);
    }

    void networkShareScreen()
    {
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("lo");
        info.speed = QStringLiteral("10 Gbps");
        info.speedMbps = 10000;
        const NetworkShare share(QUuid::createUuid(), QStringLiteral("10.231.7.2"), QStringLiteral("export"),
                                 QString(), QStringLiteral("/mnt/netshare/nfs"), QStringLiteral("nfs"));
        PreferencesManager preferences;
        PerformanceTestView view(TestParameters{QStringLiteral("/mnt/netshare/nfs/sub"), true, share, info, nullptr},
                                 &preferences);
        QCOMPARE(view.findChild<QLabel *>(QStringLiteral("titleLabel"))->text(),
                 QStringLiteral(" NFS - export (10.231.7.2)"));
        QCOMPARE(view.configuration()->selectedBytesPerCycle(), BytesPerCycleOptions::size2GB);
        QCOMPARE(view.configuration()->queueDepth(), 8);
        QVERIFY(view.networkMonitor()->isMonitoring());
        QCOMPARE(view.networkMonitor()->currentInterfaceID(), std::optional<QString>(QStringLiteral("lo")));
        QCOMPARE(view.dynamicMaxY(), 1375.0);
    }

    void fitsTheNarrowestWindow()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        QVERIFY(view.minimumSizeHint().width() <= AppDelegate::minimumWindowWidth);
        view.resize(AppDelegate::minimumWindowWidth, AppDelegate::minimumWindowHeight);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *scrollArea = view.findChild<QScrollArea *>();
        QVERIFY(scrollArea);
        // Even with the vertical scroll bar shown the content must fit beside it.
        const int contentMinimumWidth = scrollArea->widget()->minimumSizeHint().width();
        const int roomWidth = scrollArea->maximumViewportSize().width()
                              - scrollArea->verticalScrollBar()->sizeHint().width();
        QVERIFY2(contentMinimumWidth <= roomWidth,
                 qPrintable(QStringLiteral("content needs %1 px, has %2").arg(contentMinimumWidth).arg(roomWidth)));
        QVERIFY(!scrollArea->horizontalScrollBar()->isVisible());
        // Both dials and the parameter column sit side by side inside the screen.
        const GaugePanelView *panel = view.gaugePanel();
        const QRect write = panel->writeGauge()->geometry();
        const QRect controls = panel->controls()->geometry();
        const QRect read = panel->readGauge()->geometry();
        QVERIFY(write.right() < controls.left());
        QVERIFY(controls.right() < read.left());
        QVERIFY(read.right() < panel->width());
        QVERIFY(panel->controls()->width() >= panel->controls()->minimumSizeHint().width());
    }

    void runToResultsAndPostTestView()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        view.resize(600, 750);
        view.show();
        // The user's choices arrive through the gauge panel's controls.
        GaugePanelView *panel = view.gaugePanel();
        panel->setCustomBytesValue(8 * mebibyte);
        panel->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        panel->setQueueDepth(2);
        panel->setTotalCycles(2);
        QCOMPARE(view.configuration()->customBytesValue(), 8 * mebibyte);
        QCOMPARE(view.configuration()->selectedBytesPerCycle(), BytesPerCycleOptions::custom);
        QCOMPARE(view.configuration()->totalCycles(), 2);
        QSignalSpy resultSpy(view.results(), &TestResults::latestResultChanged);

        QTest::mouseClick(panel->startStopButton(), Qt::LeftButton);
        QVERIFY(panel->isRunningTest());
        QVERIFY(view.executionState()->isRunningTest());
        QCOMPARE(view.progress()->totalTargetBytes(), 32 * mebibyte);
        QVERIFY(view.executionState()->hasRunTimeTimer());

        QTRY_VERIFY_WITH_TIMEOUT(view.results()->latestResult().has_value(), runTimeoutMilliseconds);
        const PerformanceTestResult result = *view.results()->latestResult();
        QVERIFY2(result.success, qPrintable(result.errorMessage.value_or(QString())));
        QCOMPARE(view.progress()->overallProgress(), 1.0);
        QVERIFY(view.executionState()->isRunningTest());

        const QStringList texts = cardTexts(view);
        QCOMPARE(texts.first(), QStringLiteral("Details (2 cycles)"));
        QVERIFY(texts.contains(QStringLiteral("Cycle 1")));
        QVERIFY(texts.contains(QStringLiteral("Cycle 2")));
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Write: \\d+\\.\\d\\d MB/s$"))).isEmpty());
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Read: 8 MB in \\d+\\.\\ds, latencies: "))).isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), 5000);
        QVERIFY(!view.executionState()->isRunningTest());
        QVERIFY(!view.executionState()->hasRunTimeTimer());
        QVERIFY(!view.graphState()->hasGraphUpdateTimer());
        QVERIFY(view.executionState()->finalReferenceTime().isValid());
        const double duration =
            double(view.executionState()->testStartTime().msecsTo(view.executionState()->finalReferenceTime())) / 1000.0;
        // The window is the test's length (measured at the result, a second
        // before the post-test view) plus 2 s, in whole seconds.
        QCOMPARE(view.graphState()->graphHistoryDuration(), std::ceil(duration - 1.0 + 2.0));
        QCOMPARE(view.networkMonitor()->historyDuration(), view.graphState()->graphHistoryDuration());
        QCOMPARE(resultSpy.count(), 2);
        QTRY_VERIFY(testDirectories(location.path()).isEmpty());
    }

    void fullVolumeShowsItsErrorOnTheScreen()
    {
        ScratchVolume volume;
        if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=64m")))
            QSKIP(qPrintable(*problem));
        const QString mountPoint = volume.mountPoint();

        PreferencesManager preferences;
        PerformanceTestView view(localParameters(mountPoint), &preferences);
        view.resize(600, 750);
        view.show();
        view.configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        view.configuration()->setCustomBytesValue(256 * mebibyte);
        view.configuration()->setQueueDepth(2);
        view.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view.results()->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!view.results()->latestResult()->success);
        QVERIFY2(cardTexts(view).contains(QStringLiteral("Write failed: No space left on device")),
                 qPrintable(cardTexts(view).join(QLatin1Char('|'))));
        QVERIFY(view.progress()->progressValue() < 1.0);
        QVERIFY(view.progress()->progressMessage() != QStringLiteral("Completing write phase..."));
        // The screen leaves the running state and the volume is left empty.
        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), 5000);
        QVERIFY(!view.executionState()->isRunningTest());
        testing::saveScreenshots(&view, QStringLiteral("test-screen-full-volume"));
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(mountPoint).isEmpty(), 30000);
    }

    void failedStartShowsItsErrorAndLeavesTheScreenIdle()
    {
        // A location that is a file: the directory cannot be made.
        QTemporaryDir base;
        const QString notAFolder = base.filePath(QStringLiteral("file"));
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        PreferencesManager preferences;
        PerformanceTestView view(localParameters(notAFolder), &preferences);
        view.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view.results()->latestResult().has_value(), 10000);
        QVERIFY(!view.results()->latestResult()->success);
        QVERIFY2(cardTexts(view).contains(QStringLiteral("Failed to create test directory")),
                 qPrintable(cardTexts(view).join(QLatin1Char('|'))));
        QTRY_VERIFY_WITH_TIMEOUT(!view.executionState()->isRunningTest(), 5000);
        QVERIFY(!view.gaugePanel()->isRunningTest());
    }

    void stopTwiceStopsOnceAndReadOnlyTargetCountsTheExtraWrite()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        view.configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::size1GB);
        view.configuration()->setTotalCycles(2);
        view.configuration()->setWritePhaseEnabled(false);
        view.configuration()->setQueueDepth(1);
        QSignalSpy stopSpy(&view, &PerformanceTestView::stopRequested);
        QSignalSpy resultSpy(view.results(), &TestResults::latestResultChanged);

        view.startStopAction();
        QCOMPARE(view.progress()->totalTargetBytes(), 3 * quint64(1073741824));
        QTest::mouseClick(view.gaugePanel()->startStopButton(), Qt::LeftButton);
        QTest::mouseClick(view.gaugePanel()->startStopButton(), Qt::LeftButton);
        view.stopTest();
        QCOMPARE(stopSpy.count(), 1);
        QVERIFY(view.executionState()->isStoppingTest());

        QTRY_VERIFY_WITH_TIMEOUT(view.results()->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!view.executionState()->isStoppingTest());
        view.startStopAction();
        QCOMPARE(stopSpy.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), 5000);
        // One reset at the start, one result: the engine answered once.
        QCOMPARE(resultSpy.count(), 2);
    }

    void startingFromPostTestViewRestartsMonitoring()
    {
        QTemporaryDir location;
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("lo");
        PreferencesManager preferences;
        PerformanceTestView view(TestParameters{location.path(), false, std::nullopt, info, nullptr}, &preferences);
        view.configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        view.configuration()->setCustomBytesValue(mebibyte);
        view.configuration()->setQueueDepth(1);
        QVERIFY(view.networkMonitor()->isMonitoring());
        view.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), runTimeoutMilliseconds);
        QVERIFY(!view.networkMonitor()->isMonitoring());

        QStringList order;
        connect(view.networkState(), &NetworkMonitoringState::restartMonitoringTriggerChanged, this, [&] {
            if (view.networkState()->restartMonitoringTrigger())
                order.append(QStringLiteral("trigger"));
        });
        connect(view.executionState(), &TestExecutionState::isPostTestViewChanged, this,
                [&] { order.append(QStringLiteral("post test view off")); });
        view.startTest();
        QCOMPARE(order.first(), QStringLiteral("trigger"));
        QVERIFY(order.contains(QStringLiteral("post test view off")));
        QVERIFY(view.networkMonitor()->isMonitoring());
        QVERIFY(!view.results()->latestResult().has_value());
        QTRY_VERIFY(!view.networkState()->restartMonitoringTrigger());
        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), runTimeoutMilliseconds);
    }

    void leavingMidTestCancelsAndSweeps()
    {
        QTemporaryDir location;
        ScriptedAlertPresenter alerts;
        AppDelegate delegate(&alerts);
        delegate.setMountedSharePathsSource([] { return QStringList(); });
        PreferencesManager preferences;
        auto *view = new PerformanceTestView(localParameters(location.path()), &preferences);
        view->configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::size16GB);
        QSignalSpy closeSpy(view, &PerformanceTestView::closeRequested);
        view->startTest();
        QVERIFY(!testDirectories(location.path()).isEmpty());
        QTest::mouseClick(view->backButton(), Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QVERIFY(view->engine()->cancelRequested());
        QVERIFY(!view->graphState()->hasGraphUpdateTimer());
        QVERIFY(!view->executionState()->hasRunTimeTimer());
        delete view;
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(location.path()).isEmpty(), 30000);
    }

    void settingsChangedCopiesThePreferences()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        preferences.setGraphHistoryDuration(30);
        preferences.setGraphSamplingRate(0.5);
        preferences.setGraphRefreshRate(0.25);
        preferences.setDisableCacheEnabled(false);
        emit AppNotifier::instance().developerSettingsChanged();
        QCOMPARE(view.graphState()->graphHistoryDuration(), 30.0);
        QCOMPARE(view.graphState()->samplingRate(), 0.5);
        QCOMPARE(view.graphState()->graphRefreshRate(), 0.25);
        QVERIFY(!view.configuration()->disableCache());
        QCOMPARE(view.networkMonitor()->samplingInterval(), 0.5);
        QCOMPARE(view.networkMonitor()->historyDuration(), 30.0);
    }

    void progressCallbacksReachTheStateObjects()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        PerformanceTestView view(localParameters(location.path()), &preferences);
        view.configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        view.configuration()->setCustomBytesValue(64 * mebibyte);
        view.configuration()->setQueueDepth(1);
        QStringList messages;
        connect(view.progress(), &TestProgress::progressMessageChanged, this,
                [&] { messages.append(view.progress()->progressMessage()); });
        QSignalSpy markerSpy(view.graphState(), &GraphState::timelineMarkersChanged);
        view.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view.executionState()->isPostTestView(), runTimeoutMilliseconds);
        messages.removeAll(QString());
        QVERIFY(!messages.isEmpty());
        QVERIFY(markerSpy.count() > 1);
        QVERIFY(!view.graphState()->timelineMarkers().isEmpty());
        // The completion shows the bar full.
        QCOMPARE(view.progress()->totalWriteBytesProcessed(), 64 * mebibyte);
        QCOMPARE(view.progress()->totalReadBytesProcessed(), 64 * mebibyte);
    }
};

QTEST_MAIN(tst_PerformanceTestView)
#include "tst_performancetestview.moc"
