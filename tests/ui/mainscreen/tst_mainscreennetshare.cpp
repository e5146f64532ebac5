// The whole path against a real share: a test file server in a network
// namespace of this test's own, mounted with sshfs by tests/netshare/up. The
// main screen finds the share, it is picked through its row, the test screen
// runs two small cycles on it, Back sweeps it, and an unmount reverts the
// selection.

#include "ui/app/navigation.h"
#include "settings/preferencesmanager.h"
#include "engine/performancetestresult.h"
#include "monitor/networkinterfacemonitor.h"
#include "platform/platformpaths.h"
#include "support/leftover.h"
#include "support/scriptedalertpresenter.h"
#include "ui/app/appcontroller.h"
#include "ui/app/mainwindow.h"
#include "ui/charts/trafficfeed.h"
#include "ui/mainscreen/mainscreen.h"
#include "ui/mainscreen/shareanswernotice.h"
#include "ui/mainscreen/sharelist.h"
#include "ui/mainscreen/sharerow.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/runstate.h"
#include "ui/testscreen/testscreen.h"
#include "support/testfileserver.h"
#include "support/widgetscreenshot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <unistd.h>

using namespace trevlamark;

namespace {

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class tst_MainScreenNetShare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void stoppedServerNeverFreezesTheWindow();
    void findPickRunAndGoBack(); // unmounts the share: last

private:
    // Names and addresses apart from the other netshare tests, so both can run at once.
    TestFileServer m_server{QStringLiteral("/run/trevlamark-mainview-netshare"),
                            {{QStringLiteral("NS"), QStringLiteral("tvlmain")},
                             {QStringLiteral("HV"), QStringLiteral("tvlmh0")},
                             {QStringLiteral("SV"), QStringLiteral("tvlms0")},
                             {QStringLiteral("HIP"), QStringLiteral("10.231.57.1")},
                             {QStringLiteral("SIP"), QStringLiteral("10.231.57.2")},
                             {QStringLiteral("MNT"), QStringLiteral("/mnt/trevlamark-mainview-netshare")},
                             {QStringLiteral("WITH_DAV"), QStringLiteral("0")},
                             {QStringLiteral("WITH_SMB"), QStringLiteral("0")}}};
};

void tst_MainScreenNetShare::initTestCase()
{
    if (const std::optional<QString> missing =
            TestFileServer::missingPrerequisite({"sshfs", "fusermount3", "nsenter", "sshd"}))
        QSKIP(qPrintable(*missing));
    QString output;
    const bool up = m_server.up(&output);
    qInfo().noquote() << output;
    QVERIFY2(up, "tests/netshare/up failed twice");
    QVERIFY(!m_server.value(QStringLiteral("NETSHARE_SSHFS")).isEmpty());
}

void tst_MainScreenNetShare::cleanupTestCase()
{
    QString output;
    const bool down = m_server.down(&output);
    qInfo().noquote() << output;
    QVERIFY2(down, "tests/netshare/down failed");
}

// With the server stopped (its connections open, no answers), every step a
// user takes must leave the window responsive and say what it waits for.
void tst_MainScreenNetShare::stoppedServerNeverFreezesTheWindow()
{
    const QString mountPath = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    ScriptedAlertPresenter alerts;
    PreferencesManager preferences;
    AppController controller(&alerts, &preferences);
    controller.setMountedSharePathsSource([mountPath] { return QStringList{mountPath}; });
    Navigation navigation;
    MainWindow window(&navigation, &preferences, &controller);
    window.resize(600, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainScreen *main = window.mainScreen();
    main->selectLocation(mountPath, QStringLiteral("ssh"));
    QTRY_VERIFY_WITH_TIMEOUT(main->isNetworkLocation(), 30000);
    QTest::mouseClick(main->openTestButton(), Qt::LeftButton);
    QTRY_VERIFY(window.testScreen());
    TestScreen *test = window.testScreen();

    // A timer-driven count shows whether the window's thread goes on.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(50);
    QVERIFY(m_server.signalServer(QStringLiteral("sshd"), SIGSTOP));
    const auto resume = qScopeGuard([this] { m_server.signalServer(QStringLiteral("sshd"), SIGCONT); });

    // Start: the screen says what it waits for, then why the run failed.
    test->startStopAction();
    QCOMPARE(test->progress()->progressMessage(), QStringLiteral("Waiting for %1 to answer").arg(mountPath));
    const int ticksAtStart = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(test->progress()->latestResult(), 30000);
    QVERIFY(ticks > ticksAtStart + 20);
    QCOMPARE(test->progress()->latestResult()->errorMessage,
        std::optional<QString>(QStringLiteral("Failed to create test directory: %1 did not answer within 10 seconds")
                                   .arg(mountPath)));

    // Back returns at once; the sweep waits for the share on a thread of its own.
    test->closeAction();
    QTRY_VERIFY(window.mainScreen());
    main = window.mainScreen();

    // A click on the share waits for its folder without the folder dialog.
    ShareRow *row = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((row = [&]() -> ShareRow * {
        for (ShareRow *each : main->shareList()->rows()) {
            if (each->share().mountPath == mountPath)
                return each;
        }
        return nullptr;
    }()), 30000);
    main->setFolderPicker([](const QString &, const QString &) -> std::optional<QString> {
        qFatal("the folder dialog opened on a share that does not answer");
        return std::nullopt;
    });
    QTest::mouseClick(row, Qt::LeftButton);
    QCOMPARE(main->shareNotice()->text(), QStringLiteral("Waiting for %1 to answer").arg(mountPath));
    const int ticksAtClick = ticks;
    QTRY_COMPARE_WITH_TIMEOUT(main->shareNotice()->text(),
        QStringLiteral("%1 did not answer within 10 seconds").arg(mountPath), 20000);
    QVERIFY(ticks > ticksAtClick + 20);
    testing::saveScreenshots(&window, QStringLiteral("app-main-share-not-answering"));

    // Quitting sweeps every location, and gives up on the share that does not answer.
    const QString localLeftover = PlatformPaths::testDataDirectory() + QStringLiteral("/Trevlamark_Test_Data_5");
    QVERIFY(makeLeftover(localLeftover));
    QElapsedTimer quitting;
    quitting.start();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QVERIFY2(quitting.elapsed() < 30000, "the quit waited for the share that does not answer");
    QVERIFY(!QFileInfo::exists(localLeftover));

    // Once the server answers again, what the abandoned start made is removed.
    QVERIFY(m_server.signalServer(QStringLiteral("sshd"), SIGCONT));
    QTRY_VERIFY_WITH_TIMEOUT(testDirectories(mountPath).isEmpty(), 60000);
}

void tst_MainScreenNetShare::findPickRunAndGoBack()
{
    const QString mountPath = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    const QString server = m_server.value(QStringLiteral("NETSHARE_SERVER_IP"));
    const QString device = m_server.value(QStringLiteral("NETSHARE_HOST_IF"));

    ScriptedAlertPresenter alerts;
    PreferencesManager preferences;
    AppController controller(&alerts, &preferences);
    controller.setMountedSharePathsSource([mountPath] { return QStringList{mountPath}; });
    Navigation navigation;
    MainWindow window(&navigation, &preferences, &controller);
    window.resize(600, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Find: the share is listed with its host, share name, type and capacity.
    MainScreen *main = window.mainScreen();
    const auto rowOfShare = [&]() -> ShareRow * {
        for (ShareRow *row : main->shareList()->rows()) {
            if (row->share().mountPath == mountPath)
                return row;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowOfShare(), 30000);
    ShareRow *row = rowOfShare();
    QCOMPARE(row->share().hostname, server);
    QStringList rowTexts;
    for (const QLabel *label : row->findChildren<QLabel *>())
        rowTexts.append(label->text());
    QVERIFY(rowTexts.contains(server + QStringLiteral("/ssh")));
    QCOMPARE(row->caption(), row->share().filesystemType + QStringLiteral(" · ") + row->share().mountPath);
    QTRY_VERIFY_WITH_TIMEOUT(row->hasStorageInfo(), 10000);
    QVERIFY(row->totalStorageBytes().value_or(0) > 0);
    QVERIFY(row->freeSpaceLabel()->text().endsWith(QStringLiteral(" free")));

    // Pick: a click opens the share picker, rooted in the share.
    QString askedStart;
    main->setFolderPicker([&](const QString &, const QString &start) {
        askedStart = start;
        return std::optional<QString>(start);
    });
    QTest::mouseClick(row, Qt::LeftButton);
    QTRY_COMPARE(askedStart, mountPath);
    QCOMPARE(main->selectedLocation(), mountPath);
    QTRY_VERIFY(main->isNetworkLocation());
    QVERIFY(main->selectedShareDetails());
    QCOMPARE(main->interfaceLabel()->text(), QStringLiteral("Interface: %1  Speed: 10 Gbps").arg(device));
    QCOMPARE(main->selectedMonitorInterface(), device);
    QCOMPARE(main->currentGraphMaximum(), 1500.0);
    QCOMPARE(main->networkMonitor()->currentInterfaceID(), std::optional<QString>(device));
    testing::saveScreenshots(&window, QStringLiteral("app-main-netshare"));

    // Run: the test screen carries the share, its link defaults and its interface.
    QTest::mouseClick(main->openTestButton(), Qt::LeftButton);
    QTRY_VERIFY(window.testScreen());
    TestScreen *test = window.testScreen();
    const QLabel *title = test->findChild<QLabel *>(QStringLiteral("titleLabel"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral(" SFTP - ssh (%1)").arg(server));
    QCOMPARE(test->request()->value().bytesPerCycle, BytesPerCycleOptions::size2GB);
    QCOMPARE(test->request()->value().queueDepth, 8);
    QCOMPARE(test->networkMonitor()->currentInterfaceID(), std::optional<QString>(device));

    test->request()->update([](TestRequest &request) {
        request.bytesPerCycle = BytesPerCycleOptions::custom;
        request.customBytesPerCycle = 16 * 1024 * 1024;
        request.totalCycles = 2;
    });
    test->startStopAction();
    QVERIFY(test->progress()->isRunningTest());
    QTRY_VERIFY_WITH_TIMEOUT(test->progress()->latestResult(), 180000);
    QTRY_VERIFY_WITH_TIMEOUT(test->progress()->isPostTestView(), 10000);
    const PerformanceTestResult result = *test->progress()->latestResult();
    QVERIFY2(result.success, qPrintable(result.errorMessage.value_or(QString())));
    QCOMPARE(result.cycleResults.size(), 2);
    for (const CycleResult &cycle : result.cycleResults) {
        QVERIFY(cycle.writePhase);
        QVERIFY(cycle.readPhase);
        QCOMPARE(cycle.writePhase->bytes, quint64(16 * 1024 * 1024));
        QCOMPARE(cycle.readPhase->bytes, quint64(16 * 1024 * 1024));
        QVERIFY(cycle.writePhase->throughput > 0);
        QVERIFY(cycle.readPhase->throughput > 0);
    }
    QVERIFY(result.metrics.value(QStringLiteral("writeSpeed")) > 0);
    QVERIFY(result.metrics.value(QStringLiteral("readSpeed")) > 0);
    // The copy to the share crossed the sampled interface.
    const QList<NetworkTrafficSample> traffic = test->trafficFeed()->samples();
    QVERIFY(std::any_of(traffic.cbegin(), traffic.cend(),
                        [](const NetworkTrafficSample &sample) { return sample.throughputOut > 0; }));

    testing::saveScreenshots(&window, QStringLiteral("app-test-netshare"));

    // Back: the share's test directories are swept and the main screen returns.
    test->closeAction();
    QTRY_VERIFY(window.mainScreen());
    QTRY_VERIFY_WITH_TIMEOUT(testDirectories(mountPath).isEmpty(), 30000);
    main = window.mainScreen();
    QCOMPARE(main->selectedLocation(), mountPath);
    QTRY_VERIFY_WITH_TIMEOUT(main->selectedShareDetails(), 30000);
    QCOMPARE(main->selectedShareName(), QStringLiteral("ssh"));  // the exported folder
    QCOMPARE(main->selectedMonitorInterface(), device);

    // An unmount reverts the selection inside the share to the default
    // location, even when it comes within the refresh interval.
    // The share row's capacity read may hold the mount for a moment, which
    // makes the kernel refuse the unmount as busy: retry until it lets go.
    // QTRY evaluates its condition more than once, so the flag keeps a done
    // unmount from being tried again.
    bool unmounted = false;
    const auto unmountOnce = [&mountPath] {
        return QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), mountPath}) == 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(unmounted || (unmounted = unmountOnce()), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(main->selectedLocation(), MainScreen::defaultTestLocation(), 30000);
    QVERIFY(!main->isNetworkLocation());
    QVERIFY(!rowOfShare());
}

QTEST_MAIN(tst_MainScreenNetShare)
#include "tst_mainscreennetshare.moc"
