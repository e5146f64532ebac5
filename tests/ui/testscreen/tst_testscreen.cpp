#include "engine/testrun.h"
#include "monitor/networkinterfacemonitor.h"
#include "support/scratchvolume.h"
#include "settings/preferencesmanager.h"
#include "support/widgetscreenshot.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/gauges/gaugepanel.h"
#include "ui/gauges/throughputgauge.h"
#include "ui/testscreen/resultcard.h"
#include "ui/testscreen/resultssection.h"
#include "ui/testscreen/startstopbutton.h"
#include "ui/testscreen/testscreen.h"
#include "ui/testscreen/testsession.h"

#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
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

QStringList cardTexts(const TestScreen &screen)
{
    QStringList texts;
    for (const QLabel *label : screen.resultsSection()->card()->findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}
} // namespace

class tst_TestScreen : public QObject
{
    Q_OBJECT

private slots:
    // The fio servers field turns Start into a run from all of them.
    void runsFromTheFioServersListed()
    {
        QTemporaryDir share;
        const int port = 20000 + int(QRandomGenerator::global()->bounded(20000));
        std::vector<std::unique_ptr<QProcess>> servers;
        for (const int n : {0, 1}) {
            servers.push_back(std::make_unique<QProcess>());
            servers.back()->start(QStringLiteral("fio"), {QStringLiteral("--server=ip:127.0.0.%1,%2").arg(2 + n).arg(port + n)});
        }
        QTest::qWait(700);
        PreferencesManager preferences;
        TestScreen screen(localParameters(share.path()), &preferences);
        screen.resize(600, 900);
        screen.show();
        screen.findChild<QLineEdit *>(QStringLiteral("fioServers"))
            ->setText(QStringLiteral("127.0.0.2:%1, 127.0.0.3:%2").arg(port).arg(port + 1));
        screen.session()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        screen.session()->setCustomBytesValue(128 * mebibyte);
        screen.session()->setQueueDepth(2);
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(screen.session()->isPostTestView(), runTimeoutMilliseconds);
        QVERIFY(screen.session()->latestResult()->success);
        QVERIFY2(cardTexts(screen).contains(QStringLiteral("Client 127.0.0.3:%1").arg(port + 1)),
                 qPrintable(cardTexts(screen).join(QLatin1Char('|'))));
        testing::saveScreenshots(&screen, QStringLiteral("test-screen-fio-clients"));
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(share.path()).isEmpty(), 30000);
        for (const auto &server : servers) {
            server->kill();
            server->waitForFinished();
        }
    }

    void runToResultsAndPostTestView()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        TestScreen screen(localParameters(location.path()), &preferences);
        screen.resize(600, 750);
        screen.show();
        // The user's choices arrive through the gauge panel's controls.
        GaugePanel *panel = screen.gaugePanel();
        panel->setCustomBytesValue(8 * mebibyte);
        panel->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        panel->setQueueDepth(2);
        panel->setTotalCycles(2);
        TestSession *session = screen.session();

        QTest::mouseClick(panel->startStopButton(), Qt::LeftButton);
        QVERIFY(panel->isRunningTest());
        QVERIFY(!panel->queueDepthMenu()->isEnabled());
        QVERIFY(!panel->writeGauge()->phaseSwitch()->isEnabled());
        QCOMPARE(session->progressTargetBytes(), 32 * mebibyte);
        QTRY_VERIFY_WITH_TIMEOUT(session->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY2(session->latestResult()->success, qPrintable(session->latestResult()->errorMessage.value_or(QString())));
        QCOMPARE(session->overallProgress(), 1.0);
        QCOMPARE(session->progressMessage(), QStringLiteral("Completed"));

        const QStringList texts = cardTexts(screen);
        QCOMPARE(texts.first(), QStringLiteral("Details (2 cycles)"));
        QVERIFY(texts.contains(QStringLiteral("Cycle 2")));
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Write: \\d+\\.\\d\\d MB/s$"))).isEmpty());
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Read: 8 MB in \\d+\\.\\ds, latencies: "))).isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(session->isPostTestView(), 5000);
        QVERIFY(!session->isRunningTest());
        QVERIFY(!panel->isRunningTest());
        QVERIFY(panel->queueDepthMenu()->isEnabled());
        QVERIFY(panel->writeGauge()->phaseSwitch()->isEnabled());
        QVERIFY(!session->hasGraphUpdateTimer());
        const double duration = double(session->testStartTime().msecsTo(session->finalReferenceTime())) / 1000.0;
        // The window is the test's length (measured at the result, a second
        // before the post-test view) plus 2 s, in whole seconds.
        QCOMPARE(session->graphHistoryDuration(), std::ceil(duration - 1.0 + 2.0));
        QCOMPARE(screen.networkMonitor()->historyDuration(), session->graphHistoryDuration());
        QTRY_VERIFY(testDirectories(location.path()).isEmpty());
    }

    // A run that fails part-way shows the error as it happened, keeps the
    // progress where it stopped and leaves the volume empty.
    void fullVolumeShowsItsErrorOnTheScreen()
    {
        ScratchVolume volume;
        if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=64m")))
            QSKIP(qPrintable(*problem));
        PreferencesManager preferences;
        TestScreen screen(localParameters(volume.mountPoint()), &preferences);
        screen.resize(600, 750);
        screen.show();
        TestSession *session = screen.session();
        session->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        session->setCustomBytesValue(256 * mebibyte);
        session->setQueueDepth(2);
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(session->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!session->latestResult()->success);
        QVERIFY2(cardTexts(screen).contains(QStringLiteral("Write failed: No space left on device")),
                 qPrintable(cardTexts(screen).join(QLatin1Char('|'))));
        QCOMPARE(session->progressMessage(), QStringLiteral("Failed: Write failed: No space left on device"));
        QVERIFY(session->overallProgress() < 1.0);
        QTRY_VERIFY_WITH_TIMEOUT(session->isPostTestView(), 5000);
        QVERIFY(!session->isRunningTest());
        testing::saveScreenshots(&screen, QStringLiteral("test-screen-full-volume"));
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(volume.mountPoint()).isEmpty(), 30000);
    }

    void stopTwiceStopsOnceAndReadOnlyTargetCountsTheExtraWrite()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        TestScreen screen(localParameters(location.path()), &preferences);
        TestSession *session = screen.session();
        session->setSelectedBytesPerCycle(BytesPerCycleOptions::size1GB);
        session->setTotalCycles(2);
        session->setWritePhaseEnabled(false);
        session->setQueueDepth(1);
        QSignalSpy stopSpy(&screen, &TestScreen::stopRequested);
        QSignalSpy resultSpy(session, &TestSession::latestResultChanged);

        screen.startStopAction();
        // A change that still reaches the session leaves the run's own figures alone.
        session->setSelectedBytesPerCycle(BytesPerCycleOptions::size16GB);
        QCOMPARE(session->progressTargetBytes(), 3 * quint64(1073741824));
        QTRY_VERIFY_WITH_TIMEOUT(session->totalWriteBytesProcessed() > 0, runTimeoutMilliseconds);
        QVERIFY(session->totalWriteBytesProcessed() <= quint64(1073741824));
        QTest::mouseClick(screen.gaugePanel()->startStopButton(), Qt::LeftButton);
        QTest::mouseClick(screen.gaugePanel()->startStopButton(), Qt::LeftButton);
        screen.stopTest();
        QCOMPARE(stopSpy.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(session->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!session->isStoppingTest());
        QCOMPARE(session->progressMessage(), QStringLiteral("Stopped"));
        QVERIFY(session->overallProgress() < 1.0);
        screen.startStopAction();
        QCOMPARE(stopSpy.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(session->isPostTestView(), 5000);
        QCOMPARE(resultSpy.count(), 1);
    }

    void startingFromPostTestViewRestartsMonitoring()
    {
        QTemporaryDir location;
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("lo");
        info.speed = QStringLiteral("10 Gbps");
        info.rawSpeed = QStringLiteral("10000 Mbps");
        PreferencesManager preferences;
        TestScreen screen(TestParameters{location.path(), false, std::nullopt, info, nullptr}, &preferences);
        QCOMPARE(screen.graphs()->interfaceLineText(), QStringLiteral("lo - 10 Gbps"));
        TestSession *session = screen.session();
        session->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        session->setCustomBytesValue(mebibyte);
        session->setQueueDepth(1);
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(session->isPostTestView(), runTimeoutMilliseconds);
        QVERIFY(!screen.networkMonitor()->isMonitoring());
        screen.startTest();
        QVERIFY(screen.networkMonitor()->isMonitoring());
        QVERIFY(!session->latestResult().has_value());
        QTRY_VERIFY(!session->restartMonitoringTrigger());
        QTRY_VERIFY_WITH_TIMEOUT(session->isPostTestView(), runTimeoutMilliseconds);
    }

    void leavingMidTestCancelsAndSweeps()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        auto *screen = new TestScreen(localParameters(location.path()), &preferences);
        screen->session()->setSelectedBytesPerCycle(BytesPerCycleOptions::size16GB);
        QSignalSpy closeSpy(screen, &TestScreen::closeRequested);
        screen->startTest();
        QVERIFY(!testDirectories(location.path()).isEmpty());
        QTest::mouseClick(screen->backButton(), Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QVERIFY(!screen->testRun());
        QVERIFY(!screen->session()->hasGraphUpdateTimer());
        // The cancelled run removes its data while the screen still stands.
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(location.path()).isEmpty(), 30000);
        delete screen;
    }

    void savedPreferencesReachTheScreen()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        TestScreen screen(localParameters(location.path()), &preferences);
        preferences.setGraphHistoryDurationString(QStringLiteral("30"));
        preferences.setGraphSamplingRateString(QStringLiteral("0.5"));
        preferences.setDisableCacheEnabled(false);
        preferences.savePreferences();
        QCOMPARE(screen.session()->graphHistoryDuration(), 30.0);
        QVERIFY(!screen.gaugePanel()->disableCache());
        QCOMPARE(screen.networkMonitor()->samplingInterval(), 0.5);
        QCOMPARE(screen.networkMonitor()->historyDuration(), 30.0);
    }
};

QTEST_MAIN(tst_TestScreen)
#include "tst_testscreen.moc"
