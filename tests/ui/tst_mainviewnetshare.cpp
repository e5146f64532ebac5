// The whole path against a real share: a test file server in a network
// namespace of this test's own, mounted with sshfs by tests/netshare/up. The
// main screen finds the share, it is picked through its row, the test screen
// runs two small cycles on it, Back sweeps it, and an unmount reverts the
// selection.

#include "ui/appviewmodel.h"
#include "settings/preferencesmanager.h"
#include "engine/performancetestresult.h"
#include "monitor/networkinterfacemonitor.h"
#include "scriptedalertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/mainview.h"
#include "ui/mainwindow.h"
#include "ui/networkmonitoringstate.h"
#include "ui/performancetestview.h"
#include "ui/shareitemview.h"
#include "ui/testconfiguration.h"
#include "ui/testexecutionstate.h"
#include "ui/testresults.h"
#include "support/testfileserver.h"
#include "widgetscreenshot.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <unistd.h>

using namespace trevlamark;

namespace {

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class tst_MainViewNetShare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void findPickRunAndGoBack();

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

void tst_MainViewNetShare::initTestCase()
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

void tst_MainViewNetShare::cleanupTestCase()
{
    QString output;
    const bool down = m_server.down(&output);
    qInfo().noquote() << output;
    QVERIFY2(down, "tests/netshare/down failed");
}

void tst_MainViewNetShare::findPickRunAndGoBack()
{
    const QString mountPath = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    const QString server = m_server.value(QStringLiteral("NETSHARE_SERVER_IP"));
    const QString device = m_server.value(QStringLiteral("NETSHARE_HOST_IF"));

    ScriptedAlertPresenter alerts;
    AppDelegate delegate(&alerts);
    delegate.setMountedSharePathsSource([mountPath] { return QStringList{mountPath}; });
    PreferencesManager preferences;
    AppViewModel model;
    MainWindow window(&model, &preferences, &delegate);
    window.resize(600, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Find: the share is listed with its host, share name, type and capacity.
    MainView *main = window.mainView();
    const auto rowOfShare = [&]() -> ShareItemView * {
        for (ShareItemView *row : main->shareItems()) {
            if (row->share().mountPath == mountPath)
                return row;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowOfShare(), 30000);
    ShareItemView *row = rowOfShare();
    QCOMPARE(row->share().hostname, server);
    QStringList rowTexts;
    for (const QLabel *label : row->findChildren<QLabel *>())
        rowTexts.append(label->text());
    QVERIFY(rowTexts.contains(server + QStringLiteral("/run")));
    QVERIFY(rowTexts.contains(row->share().filesystemType));
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
    QCOMPARE(askedStart, mountPath);
    QCOMPARE(main->selectedLocation(), mountPath);
    QVERIFY(main->isNetworkLocation());
    QVERIFY(main->selectedShareDetails());
    QCOMPARE(main->interfaceLabel()->text(), QStringLiteral("Interface: %1  Speed: 10 Gbps").arg(device));
    QCOMPARE(main->selectedMonitorInterface(), device);
    QCOMPARE(main->currentGraphMaximum(), 1500.0);
    QCOMPARE(main->networkMonitor()->currentInterfaceID(), std::optional<QString>(device));
    testing::saveScreenshots(&window, QStringLiteral("app-main-netshare"));

    // Run: the test screen carries the share, its link defaults and its interface.
    QTest::mouseClick(main->openTestButton(), Qt::LeftButton);
    QTRY_VERIFY(window.testView());
    PerformanceTestView *test = window.testView();
    const QLabel *title = test->findChild<QLabel *>(QStringLiteral("titleLabel"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral(" unknown - run (%1)").arg(server));
    QCOMPARE(test->configuration()->selectedBytesPerCycle(), BytesPerCycleOptions::size2GB);
    QCOMPARE(test->configuration()->queueDepth(), 8);
    QCOMPARE(test->networkState()->networkInterface(), std::optional<QString>(device));
    QCOMPARE(test->networkMonitor()->currentInterfaceID(), std::optional<QString>(device));

    test->configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
    test->configuration()->setCustomBytesValue(16 * 1024 * 1024);
    test->configuration()->setTotalCycles(2);
    test->startStopAction();
    QVERIFY(test->executionState()->isRunningTest());
    QTRY_VERIFY_WITH_TIMEOUT(test->results()->latestResult(), 180000);
    QTRY_VERIFY_WITH_TIMEOUT(test->executionState()->isPostTestView(), 10000);
    const PerformanceTestResult result = *test->results()->latestResult();
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
    const QList<NetworkTrafficSample> traffic = test->networkState()->networkChartData();
    QVERIFY(std::any_of(traffic.cbegin(), traffic.cend(),
                        [](const NetworkTrafficSample &sample) { return sample.throughputOut > 0; }));

    testing::saveScreenshots(&window, QStringLiteral("app-test-netshare"));

    // Back: the share's test directories are swept and the main screen returns.
    test->closeAction();
    QTRY_VERIFY(window.mainView());
    QTRY_VERIFY_WITH_TIMEOUT(testDirectories(mountPath).isEmpty(), 30000);
    main = window.mainView();
    QCOMPARE(main->selectedLocation(), mountPath);
    QTRY_VERIFY_WITH_TIMEOUT(main->selectedShareDetails(), 30000);
    QCOMPARE(main->selectedShareName(), QStringLiteral("run"));
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
    QTRY_COMPARE_WITH_TIMEOUT(main->selectedLocation(), MainView::defaultTestLocation(), 30000);
    QVERIFY(!main->isNetworkLocation());
    QVERIFY(!rowOfShare());
}

QTEST_MAIN(tst_MainViewNetShare)
#include "tst_mainviewnetshare.moc"
