#include "engine/testrun.h"
#include "monitor/networkinterfacemonitor.h"
#include "support/scratchvolume.h"
#include "settings/preferencesmanager.h"
#include "support/widgetscreenshot.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/charts/trafficfeed.h"
#include "ui/common/findingslabel.h"
#include "ui/common/playsview.h"
#include "ui/common/resultcard.h"
#include "ui/common/steadymessage.h"
#include "ui/gauges/throughputgauge.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/gaugepanel.h"
#include "ui/testscreen/mediatestdialog.h"
#include "ui/testscreen/progressline.h"
#include "ui/testscreen/resultssection.h"
#include "ui/testscreen/runcheckpanel.h"
#include "ui/testscreen/runstate.h"
#include "ui/testscreen/startstopbutton.h"
#include "ui/testscreen/testscreen.h"

#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QScrollArea>
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
        QLineEdit *field = screen.findChild<QLineEdit *>(QStringLiteral("fioServers"));
        const QLabel *notice = screen.findChild<QLabel *>(QStringLiteral("fioServersNotice"));
        QVERIFY(field && notice && notice->isHidden());
        field->setText(QStringLiteral("127.0.0.2:%1, 127.0.0.3:%2").arg(port).arg(port + 1));
        emit field->editingFinished();
        QVERIFY(notice->isVisible());
        // The servers read the data themselves: nothing here could verify it.
        const QCheckBox *verify = screen.findChild<QCheckBox *>(QStringLiteral("verifySwitch"));
        QVERIFY(!verify->isEnabled());
        QVERIFY(!verify->toolTip().isEmpty());
        // The servers stay with this location: another one's test runs from this computer.
        {
            QTemporaryDir elsewhere;
            TestScreen other(localParameters(elsewhere.path()), &preferences);
            QVERIFY(other.findChild<QLineEdit *>(QStringLiteral("fioServers"))->text().isEmpty());
            TestScreen same(localParameters(share.path()), &preferences);
            QCOMPARE(same.findChild<QLineEdit *>(QStringLiteral("fioServers"))->text(), field->text());
        }
        screen.request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = 128 * mebibyte;
            request.queueDepth = 2;
        });
        // The read phase is shorter than fio's status line: its gauge shows the phase's figure when it ends.
        const ThroughputGauge *readGauge = screen.findChild<GaugePanel *>()->readGauge();
        QList<double> readsShown;
        connect(screen.progress(), &RunState::readValueChanged, &screen, [&] {
            if (!screen.progress()->latestResult())
                readsShown.append(readGauge->displayedValue());
        }, Qt::QueuedConnection);
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(screen.progress()->isPostTestView(), runTimeoutMilliseconds);
        QVERIFY(screen.progress()->latestResult()->success);
        QVERIFY(!readsShown.isEmpty() && readsShown.last() > 0);
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
        QCOMPARE(panel->bytesPerCycleMenu()->currentText(), QStringLiteral("Custom: 8.0 MB"));
        panel->setQueueDepth(2);
        panel->setTotalCycles(2);
        RunState *progress = screen.progress();

        // Start waits for the check of the location.
        QTRY_VERIFY(panel->startStopButton()->isEnabled());
        QTest::mouseClick(panel->startStopButton(), Qt::LeftButton);
        QVERIFY(panel->isRunningTest());
        QVERIFY(!panel->queueDepthMenu()->isEnabled());
        QVERIFY(!panel->writeGauge()->phaseSwitch()->isEnabled());
        QCOMPARE(progress->progressTargetBytes(), 32 * mebibyte);
        QTRY_VERIFY_WITH_TIMEOUT(progress->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY2(progress->latestResult()->success, qPrintable(progress->latestResult()->errorMessage.value_or(QString())));
        QCOMPARE(progress->overallProgress(), 1.0);
        QCOMPARE(progress->progressMessage(), QStringLiteral("Completed"));
        QTRY_COMPARE(screen.findChild<ProgressLine *>(QStringLiteral("progressLine"))->fraction(), 1.0);

        const QStringList texts = cardTexts(screen);
        QCOMPARE(texts.first(), QStringLiteral("Details (2 cycles)"));
        QVERIFY(texts.contains(QStringLiteral("Cycle 2")));
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Write: \\d+\\.\\d\\d MB/s$"))).isEmpty());
        QVERIFY(!texts.filter(QRegularExpression(QStringLiteral("^Read: 8 MB in \\d+\\.\\ds, latencies: "))).isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(progress->isPostTestView(), 5000);
        QVERIFY(!progress->isRunningTest());
        QVERIFY(!panel->isRunningTest());
        QVERIFY(panel->queueDepthMenu()->isEnabled());
        QVERIFY(panel->writeGauge()->phaseSwitch()->isEnabled());
        QVERIFY(!screen.trafficFeed()->isRunning());
        const double duration = double(progress->testStartTime().msecsTo(progress->finalReferenceTime())) / 1000.0;
        // The window is the test's length (measured at the result, a second
        // before the post-test view) plus 2 s, in whole seconds.
        QCOMPARE(screen.graphs()->timeWindow(), std::ceil(duration - 1.0 + 2.0));
        QCOMPARE(screen.networkMonitor()->historyDuration(), screen.graphs()->timeWindow());
        QTRY_VERIFY(testDirectories(location.path()).isEmpty());
    }

    // The check before the run refuses a cycle that does not fit: Start stays
    // disabled with the reason above it, and nothing is written.
    void checkRefusesARunThatDoesNotFit()
    {
        ScratchVolume volume;
        if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=8m")))
            QSKIP(qPrintable(*problem));
        PreferencesManager preferences;
        TestScreen screen(localParameters(volume.mountPoint()), &preferences);
        screen.resize(600, 900);
        screen.show();
        screen.request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = 64 * mebibyte;
            request.queueDepth = 2;
            request.totalCycles = 1;
        });
        QVERIFY(screen.checkPanel()->isChecking());
        QVERIFY(!screen.gaugePanel()->startStopButton()->isEnabled());
        const QString refusal = QStringLiteral("needs 64.00 MiB, 8.00 MiB free on ") + volume.mountPoint();
        QTRY_VERIFY_WITH_TIMEOUT(!screen.checkPanel()->isChecking(), 20000);
        QVERIFY(!screen.gaugePanel()->startStopButton()->isEnabled());
        QCOMPARE(screen.gaugePanel()->startStopButton()->toolTip(), QStringLiteral("Refused: ") + refusal);
        QVERIFY2(screen.checkPanel()->findingsLabel()->text().contains(QStringLiteral("Space: Refused: ") + refusal),
                 qPrintable(screen.checkPanel()->findingsLabel()->text()));
        testing::saveScreenshots(&screen, QStringLiteral("test-screen-check-refused"));
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(screen.progress()->latestResult().has_value(), 10000);
        QCOMPARE(screen.progress()->latestResult()->errorMessage, std::optional(QStringLiteral("Refused: ") + refusal));
        QVERIFY(QDir(volume.mountPoint()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

        // A cycle that fits lets Start go again.
        screen.request()->update([](TestRequest &request) { request.customBytesPerCycle = 2 * mebibyte; });
        QTRY_VERIFY_WITH_TIMEOUT(screen.gaugePanel()->startStopButton()->isEnabled(), 20000);
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
        RunState *progress = screen.progress();
        screen.request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = 256 * mebibyte;
            request.queueDepth = 2;
        });
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(progress->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!progress->latestResult()->success);
        QVERIFY2(cardTexts(screen).contains(QStringLiteral("Write failed: No space left on device")),
                 qPrintable(cardTexts(screen).join(QLatin1Char('|'))));
        QCOMPARE(progress->progressMessage(), QStringLiteral("Failed: Write failed: No space left on device"));
        QVERIFY(progress->overallProgress() < 1.0);
        // However long a reason is (one line per unreachable server), the page keeps its width.
        const QString longReason = QStringLiteral("Client 127.0.0.9:8765 failed: connect: Connection refused; ").repeated(20);
        progress->setProgressMessage(QStringLiteral("Failed: ") + longReason);
        const QScrollArea *page = screen.findChild<QScrollArea *>();
        QVERIFY(page && page->widget());
        QVERIFY(page->widget()->minimumSizeHint().width() <= 600);
        progress->setProgressMessage(QStringLiteral("Failed: Write failed: No space left on device"));
        QTRY_VERIFY_WITH_TIMEOUT(progress->isPostTestView(), 5000);
        QVERIFY(!progress->isRunningTest());
        // The reason can be selected and copied.
        auto *message = screen.findChild<SteadyMessage *>(QStringLiteral("progressMessage"));
        QVERIFY(message && message->label()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
        testing::saveScreenshots(&screen, QStringLiteral("test-screen-full-volume"));
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(volume.mountPoint()).isEmpty(), 30000);
    }

    void stopTwiceStopsOnceAndReadOnlyTargetCountsTheExtraWrite()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        TestScreen screen(localParameters(location.path()), &preferences);
        RunState *progress = screen.progress();
        screen.request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::size1GB;
            request.totalCycles = 2;
            request.writePhaseEnabled = false;
            request.queueDepth = 1;
        });
        QSignalSpy stopSpy(&screen, &TestScreen::stopRequested);
        QSignalSpy resultSpy(progress, &RunState::latestResultChanged);

        screen.startStopAction();
        // A change that still reaches the edited request leaves the run's own figures alone.
        screen.request()->update([](TestRequest &request) { request.bytesPerCycle = BytesPerCycleOptions::size16GB; });
        QCOMPARE(progress->progressTargetBytes(), 3 * quint64(1073741824));
        QTRY_VERIFY_WITH_TIMEOUT(progress->totalWriteBytesProcessed() > 0, runTimeoutMilliseconds);
        QVERIFY(progress->totalWriteBytesProcessed() <= quint64(1073741824));
        QTest::mouseClick(screen.gaugePanel()->startStopButton(), Qt::LeftButton);
        QTest::mouseClick(screen.gaugePanel()->startStopButton(), Qt::LeftButton);
        screen.stopTest();
        QCOMPARE(stopSpy.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(progress->latestResult().has_value(), runTimeoutMilliseconds);
        QVERIFY(!progress->isStoppingTest());
        QCOMPARE(progress->progressMessage(), QStringLiteral("Stopped"));
        QVERIFY(progress->overallProgress() < 1.0);
        screen.startStopAction();
        QCOMPARE(stopSpy.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(progress->isPostTestView(), 5000);
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
        RunState *progress = screen.progress();
        screen.request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = mebibyte;
            request.queueDepth = 1;
        });
        screen.startTest();
        QTRY_VERIFY_WITH_TIMEOUT(progress->isPostTestView(), runTimeoutMilliseconds);
        QVERIFY(!screen.networkMonitor()->isMonitoring());
        screen.startTest();
        QVERIFY(screen.networkMonitor()->isMonitoring());
        QVERIFY(!progress->latestResult().has_value());
        QTRY_VERIFY(!screen.graphs()->restartMonitoring());
        QTRY_VERIFY_WITH_TIMEOUT(progress->isPostTestView(), runTimeoutMilliseconds);
    }

    void leavingMidTestCancelsAndSweeps()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        auto *screen = new TestScreen(localParameters(location.path()), &preferences);
        screen->request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::size16GB;
        });
        QSignalSpy closeSpy(screen, &TestScreen::closeRequested);
        screen->startTest();
        QTRY_VERIFY(!testDirectories(location.path()).isEmpty());
        QTest::mouseClick(screen->backButton(), Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QVERIFY(!screen->testRun());
        QVERIFY(!screen->trafficFeed()->isRunning());
        // The cancelled run removes its data while the screen still stands.
        QTRY_VERIFY_WITH_TIMEOUT(testDirectories(location.path()).isEmpty(), 30000);
        delete screen;
    }

    // The Plays view of the screen's last result opens the media test of its location, the format chosen.
    void playsViewOpensTheMediaTest()
    {
        QTemporaryDir location;
        PreferencesManager preferences;
        TestScreen screen(localParameters(location.path()), &preferences);
        PerformanceTestResult result;
        result.success = true;
        result.metrics = {{QStringLiteral("writeSpeed"), 500.0}, {QStringLiteral("readSpeed"), 1000.0}};
        screen.progress()->setLatestResult(result);
        screen.resultsSection()->card()->findChild<QPushButton *>(QStringLiteral("playsButton"))->click();
        auto *plays = screen.findChild<PlaysView *>();
        QVERIFY(plays);
        auto *table = plays->findChild<QTableWidget *>();
        const int row = table->findItems(QStringLiteral("DNxHR HQX UHD 25"), Qt::MatchExactly).first()->row();
        table->selectRow(row);
        plays->pacedTestButton()->click();
        auto *dialog = screen.findChild<MediaTestDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->chosenFormat(), QStringLiteral("DNxHR HQX UHD 25"));
        QCOMPARE(dialog->chosenStreams(), table->item(row, 3)->text().toInt());
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
        QCOMPARE(screen.graphs()->timeWindow(), 30.0);
        QVERIFY(!screen.gaugePanel()->disableCache());
        QCOMPARE(screen.networkMonitor()->samplingInterval(), 0.5);
        QCOMPARE(screen.networkMonitor()->historyDuration(), 30.0);
    }
};

QTEST_MAIN(tst_TestScreen)
#include "tst_testscreen.moc"
