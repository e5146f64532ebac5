#include "settings/appnotifier.h"
#include "ui/appviewmodel.h"
#include "settings/preferencesmanager.h"
#include "discovery/sharemanager.h"
#include "discovery/volumemonitor.h"
#include "monitor/networkinterfacemonitor.h"
#include "platform/platformpaths.h"
#include "ui/interfaceselector.h"
#include "ui/mainview.h"
#include "ui/shareitemview.h"
#include "support/widgetscreenshot.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <atomic>
#include <memory>
#include <mutex>

using namespace trevlamark;

namespace {

// Recorded shares and a clock the test moves by hand; detection runs on a
// worker thread, so the list is guarded.
struct FakeWorld
{

    MainView::Sources sources()
    {
        MainView::Sources result;
        result.detectShares = [this](ShareManager &) {
            ++detectCount;
            std::lock_guard lock(mutex);
            return shares;
        };
        result.isNetworkPath = [this](const QString &path) { return MainView::isInside(path, root); };
        result.clock = [this] {
            std::lock_guard lock(mutex);
            return now;
        };
        result.loadCapacity = [](NetworkShare &share) {
            share.totalStorageBytes = qint64(4) << 40;
            share.freeStorageBytes = qint64(3) << 40;
            return true;
        };
        result.volumeMonitor = &volumes;
        result.monitorTraffic = false;
        return result;
    }

    void setShares(const QList<NetworkShare> &list)
    {
        std::lock_guard lock(mutex);
        shares = list;
    }

    void advance(double seconds)
    {
        std::lock_guard lock(mutex);
        now = now.addMSecs(qint64(seconds * 1000));
    }

    NetworkShare share(const QString &host, const QString &name, const QString &device, int speedMbps)
    {
        const QString mountPath = root + QLatin1Char('/') + name;
        QDir().mkpath(mountPath);
        NetworkShare result(QUuid::createUuid(), host, name, QStringLiteral("alice"), mountPath,
                            QStringLiteral("smbfs"), device);
        NetworkInterfaceInfo info;
        info.interfaceID = device;
        info.name = QStringLiteral("Ethernet");
        info.speedMbps = speedMbps;
        info.speed = QStringLiteral("%1 Gbps").arg(speedMbps / 1000);
        info.mtu = 1500;
        result.cachedInterfaceInfo = info;
        return result;
    }

    // The main screen over this world, once the test has set the world up.
    MainView &open()
    {
        screen = std::make_unique<MainView>(&model, &preferences, sources());
        return *screen;
    }

    QTemporaryDir folder;
    const QString root = folder.path();
    std::mutex mutex;
    QList<NetworkShare> shares;
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    std::atomic<int> detectCount = 0;
    VolumeMonitor volumes;
    AppViewModel model;
    PreferencesManager preferences;
    // Last, so the screen goes before the world it looks at.
    std::unique_ptr<MainView> screen;
};

QStringList labelTexts(const QWidget &widget)
{
    QStringList result;
    for (const QLabel *label : widget.findChildren<QLabel *>())
        result.append(label->text());
    return result;
}

} // namespace

class tst_MainView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("XDG_DATA_HOME").contains(QLatin1String("/tests/home/")))
            QSKIP("Run through ctest, which points XDG_DATA_HOME into the build tree");
    }

    void startsAtTheDefaultTestLocation()
    {
        FakeWorld world;
        MainView &view = world.open();
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Default Test Location"));
        QVERIFY(!view.isNetworkLocation());
        QVERIFY(view.openTestButton()->isEnabled());
        QVERIFY(QFileInfo(view.selectedLocation()).isDir());
        QVERIFY(view.isLoadingShares());
        QCOMPARE(view.sharesStatusLabel()->text(), QStringLiteral("Looking for network shares..."));
        QTRY_VERIFY(!view.isLoadingShares());
        QCOMPARE(view.sharesStatusLabel()->text(), QStringLiteral("No network shares detected"));
        QCOMPARE(world.detectCount.load(), 1);
    }

    void listsTheDetectedShares()
    {
        FakeWorld world;
        world.setShares({world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000),
                         world.share(QStringLiteral("files"), QStringLiteral("projects"), QStringLiteral("eth1"), 10000)});
        MainView &view = world.open();
        QTRY_COMPARE(view.shareItems().size(), 2);
        QVERIFY(view.sharesStatusLabel()->isHidden());
        QCOMPARE(view.mountedShares().size(), 2);
        const QStringList texts = labelTexts(view);
        QVERIFY(texts.contains(QStringLiteral("nas/media")));
        QVERIFY(texts.contains(QStringLiteral("files/projects")));
        QVERIFY(texts.contains(QStringLiteral("smbfs")));
    }

    void refreshThrottle_data()
    {
        QTest::addColumn<double>("elapsedSeconds");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("at once") << 0.0 << false;
        QTest::newRow("1.5 s later") << 1.5 << false;
        QTest::newRow("1.99 s later") << 1.99 << false;
        QTest::newRow("2 s later") << 2.0 << true;
        QTest::newRow("a minute later") << 60.0 << true;
    }

    void refreshThrottle()
    {
        QFETCH(double, elapsedSeconds);
        QFETCH(bool, accepted);
        FakeWorld world;
        MainView &view = world.open();
        QTRY_VERIFY(!view.isLoadingShares());
        world.advance(elapsedSeconds);
        QCOMPARE(view.refreshShares(), accepted);
        QCOMPARE(view.isLoadingShares(), accepted);
        QTRY_VERIFY(!view.isLoadingShares());
        QCOMPARE(world.detectCount.load(), accepted ? 2 : 1);
    }

    // A volume event inside the interval is not lost: the list is read again
    // once the interval is over.
    void volumeChangeInsideTheIntervalRefreshesLater()
    {
        FakeWorld world;
        MainView &view = world.open();
        QTRY_VERIFY(!view.isLoadingShares());
        world.advance(1.5);
        world.setShares({world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000)});
        world.volumes.handleVolumeMounted(world.root + QStringLiteral("/media"));
        QTRY_VERIFY(view.hasPendingRefresh());
        QCOMPARE(world.detectCount.load(), 1);
        QTRY_COMPARE(view.shareItems().size(), 1);
        QCOMPARE(world.detectCount.load(), 2);
        QVERIFY(!view.hasPendingRefresh());
    }

    void volumeChangeAfterTheIntervalRefreshesAtOnce()
    {
        FakeWorld world;
        MainView &view = world.open();
        QTRY_VERIFY(!view.isLoadingShares());
        world.advance(2.5);
        world.volumes.handleVolumeUnmounted(QStringLiteral("/mnt/gone"));
        QTRY_COMPARE(world.detectCount.load(), 2);
        QVERIFY(!view.hasPendingRefresh());
    }

    void shareRowOpensTheSharePicker()
    {
        FakeWorld world;
        const NetworkShare share =
            world.share(QStringLiteral("files"), QStringLiteral("projects"), QStringLiteral("eth1"), 10000);
        world.setShares({share});
        MainView &view = world.open();
        QString askedMessage;
        QString askedStart;
        const QString inside = share.mountPath + QStringLiteral("/2026");
        QDir().mkpath(inside);
        view.setFolderPicker([&](const QString &message, const QString &start) {
            askedMessage = message;
            askedStart = start;
            return std::optional<QString>(inside);
        });
        QTRY_COMPARE(view.shareItems().size(), 1);
        QTest::mouseClick(view.shareItems().constFirst(), Qt::LeftButton);
        QCOMPARE(askedMessage, QStringLiteral("Please confirm the selection of projects for testing"));
        QCOMPARE(askedStart, share.mountPath);
        QCOMPARE(view.selectedLocation(), inside);
        QCOMPARE(world.model.selectedLocation(), inside);
        QCOMPARE(view.selectedShareName(), QStringLiteral("projects"));
        QVERIFY(view.isNetworkLocation());
        QVERIFY(view.selectedShareDetails());
        QCOMPARE(view.selectedShareDetails()->mountPath, share.mountPath);
        QVERIFY(view.interfaceLabel()->isVisibleTo(&view));
        QCOMPARE(view.interfaceLabel()->text(), QStringLiteral("Interface: eth1  Speed: 10 Gbps"));
        QCOMPARE(view.selectedMonitorInterface(), QStringLiteral("eth1"));
        QCOMPARE(view.currentGraphMaximum(), 1500.0);
        QVERIFY(view.shareItems().constFirst()->isSelected());
    }

    void unmountedShareRevertsToTheDefaultLocation()
    {
        FakeWorld world;
        const NetworkShare share = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000);
        world.setShares({share});
        MainView &view = world.open();
        QTRY_COMPARE(view.shareItems().size(), 1);
        view.selectLocation(share.mountPath, share.shareName);
        QVERIFY(view.isNetworkLocation());
        QCOMPARE(view.currentGraphMaximum(), 150.0);

        world.setShares({});
        world.advance(3);
        world.volumes.handleVolumeUnmounted(share.mountPath);
        QTRY_COMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
        QCOMPARE(world.model.selectedLocation(), PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Default Test Location"));
        QVERIFY(!view.isNetworkLocation());
        QVERIFY(!view.selectedShareDetails());
        QVERIFY(view.interfaceLabel()->isHidden());
        QCOMPARE(view.currentGraphMaximum(), 125.0);
        QCOMPARE(view.sharesStatusLabel()->text(), QStringLiteral("No network shares detected"));

        // Mounted again, it is listed again.
        world.setShares({share});
        world.advance(3);
        world.volumes.handleVolumeMounted(share.mountPath);
        QTRY_COMPARE(view.shareItems().size(), 1);
    }

    void selectionStaysWhileItsShareIsMounted()
    {
        FakeWorld world;
        const NetworkShare share = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000);
        const NetworkShare other = world.share(QStringLiteral("nas"), QStringLiteral("media2"), QStringLiteral("eth0"), 1000);
        world.setShares({share, other});
        MainView &view = world.open();
        QTRY_COMPARE(view.shareItems().size(), 2);
        view.selectLocation(share.mountPath, share.shareName);
        // Only the sibling whose name extends this one's goes away.
        world.setShares({other});
        world.advance(3);
        QVERIFY(view.refreshShares());
        QTRY_VERIFY(!view.isLoadingShares());
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
        world.setShares({share, other});
        view.selectLocation(share.mountPath, share.shareName);
        world.setShares({share});
        world.advance(3);
        QVERIFY(view.refreshShares());
        QTRY_VERIFY(!view.isLoadingShares());
        QCOMPARE(view.selectedLocation(), share.mountPath);
        QVERIFY(view.isNetworkLocation());
    }

    // Back from the test screen, a new main screen finds the share of the location it keeps.
    void restoredShareLocationFindsItsShare()
    {
        FakeWorld world;
        const NetworkShare share = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth7"), 1000);
        world.setShares({share});
        world.model.setSelectedLocation(share.mountPath);
        MainView &view = world.open();
        QVERIFY(view.isNetworkLocation());
        QTRY_VERIFY(view.selectedShareDetails());
        QCOMPARE(view.selectedLocation(), share.mountPath);
        QCOMPARE(view.selectedShareName(), QStringLiteral("media"));
        QCOMPARE(view.selectedMonitorInterface(), QStringLiteral("eth7"));
        QCOMPARE(view.interfaceLabel()->text(), QStringLiteral("Interface: eth7  Speed: 1 Gbps"));
        QVERIFY(view.shareItems().constFirst()->isSelected());
    }

    void vanishedLocalFolderRevertsToTheDefaultLocation()
    {
        FakeWorld world;
        MainView &view = world.open();
        auto folder = std::make_unique<QTemporaryDir>();
        const QString path = folder->path();
        view.selectLocation(path, QString());
        QCOMPARE(view.selectedLocation(), path);
        folder.reset();
        world.advance(3);
        QVERIFY(view.refreshShares());
        QTRY_COMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Default Test Location"));
    }

    void folderPickerSelectsACustomLocation()
    {
        FakeWorld world;
        QTemporaryDir folder;
        MainView &view = world.open();
        QString askedMessage;
        QString askedStart;
        view.setFolderPicker([&](const QString &message, const QString &start) {
            askedMessage = message;
            askedStart = start;
            return std::optional<QString>(folder.path());
        });
        QTest::mouseClick(view.folderButton(), Qt::LeftButton);
        QCOMPARE(askedMessage, QStringLiteral("Please select a folder for performance testing"));
        QCOMPARE(askedStart, PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedLocation(), folder.path());
        QCOMPARE(world.model.selectedLocation(), folder.path());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Custom Location"));
        const QStringList texts = labelTexts(view);
        QVERIFY(texts.contains(QStringLiteral("Custom Location")));
        QVERIFY(texts.contains(folder.path()));
        QVERIFY(view.interfaceLabel()->isHidden());
    }

    void pickerWithoutAWindowOpensNothing()
    {
        FakeWorld world;
        MainView &view = world.open();
        view.showCustomFolderPicker();
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
    }

    void cancelledPickerKeepsTheLocation()
    {
        FakeWorld world;
        MainView &view = world.open();
        view.setFolderPicker([](const QString &, const QString &) { return std::optional<QString>(); });
        view.showCustomFolderPicker();
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
    }

    void openTestNavigatesWithTheLocation()
    {
        FakeWorld world;
        QTemporaryDir folder;
        MainView &view = world.open();
        view.selectLocation(folder.path(), QString());
        QTest::mouseClick(view.openTestButton(), Qt::LeftButton);
        QCOMPARE(world.model.currentView(), AppView::performanceTest);
        QCOMPARE(world.model.testParameters()->selectedLocation, folder.path());
        QVERIFY(!world.model.testParameters()->isNetworkLocation);
        QVERIFY(!world.model.testParameters()->networkShare);
        QVERIFY(world.model.testParameters()->shareManager);
    }

    void openTestOnAShareCarriesItsInterface()
    {
        FakeWorld world;
        const NetworkShare share = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("lo"), 1000);
        world.setShares({share});
        MainView &view = world.open();
        QTRY_COMPARE(view.shareItems().size(), 1);
        view.selectLocation(share.mountPath, QString());
        view.openTest();
        const TestParameters &parameters = *world.model.testParameters();
        QVERIFY(parameters.isNetworkLocation);
        QCOMPARE(parameters.networkShare->mountPath, share.mountPath);
        QVERIFY(parameters.networkInterfaceInfo);
        QCOMPARE(parameters.networkInterfaceInfo->interfaceID, QStringLiteral("lo"));
        const std::weak_ptr<ShareManager> manager = parameters.shareManager;
        world.screen.reset();
        // The test screen goes on using the manager after the main screen is gone.
        QVERIFY(!manager.expired());
    }

    void settingsButtonAsksForTheSheet()
    {
        FakeWorld world;
        MainView &view = world.open();
        QSignalSpy spy(&view, &MainView::settingsRequested);
        QTest::mouseClick(view.settingsButton(), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
    }

    void developerSettingsRenewTheSampler()
    {
        FakeWorld world;
        MainView &view = world.open();
        const QPointer<NetworkInterfaceMonitor> before = view.networkMonitor();
        QCOMPARE(before->historyDuration(), world.preferences.graphHistoryDuration());

        world.preferences.setGraphSamplingRate(0.5);
        emit AppNotifier::instance().developerSettingsChanged();
        QCOMPARE(view.networkMonitor(), before.data());

        world.preferences.setGraphHistoryDuration(world.preferences.graphHistoryDuration() + 60);
        emit AppNotifier::instance().developerSettingsChanged();
        QVERIFY(!before);
        QCOMPARE(view.networkMonitor()->historyDuration(), world.preferences.graphHistoryDuration());
        QCOMPARE(view.networkMonitor()->samplingInterval(), 0.5);
    }

    void graphMaximum_data()
    {
        QTest::addColumn<std::optional<int>>("linkSpeedMbps");
        QTest::addColumn<double>("maximum");
        QTest::newRow("no link") << std::optional<int>() << 125.0;
        QTest::newRow("zero") << std::optional<int>(0) << 125.0;
        QTest::newRow("100 Mbit/s") << std::optional<int>(100) << 15.0;
        QTest::newRow("1 Gbit/s") << std::optional<int>(1000) << 150.0;
        QTest::newRow("10 Gbit/s") << std::optional<int>(10000) << 1500.0;
    }

    void graphMaximum()
    {
        QFETCH(std::optional<int>, linkSpeedMbps);
        QFETCH(double, maximum);
        QCOMPARE(MainView::graphMaximum(linkSpeedMbps), maximum);
    }

    void isInside_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mountPath");
        QTest::addColumn<bool>("inside");
        QTest::newRow("the mount itself") << "/mnt/share" << "/mnt/share" << true;
        QTest::newRow("below it") << "/mnt/share/a/b" << "/mnt/share" << true;
        QTest::newRow("trailing slash") << "/mnt/share/a" << "/mnt/share/" << true;
        QTest::newRow("a sibling with a longer name") << "/mnt/share2" << "/mnt/share" << false;
        QTest::newRow("elsewhere") << "/home/user" << "/mnt/share" << false;
        QTest::newRow("no mount path") << "/mnt/share" << "" << false;
    }

    void isInside()
    {
        QFETCH(QString, path);
        QFETCH(QString, mountPath);
        QFETCH(bool, inside);
        QCOMPARE(MainView::isInside(path, mountPath), inside);
    }

    void interfaceLine()
    {
        NetworkInterfaceInfo wifi;
        wifi.isWifi = true;
        wifi.speed = QStringLiteral("Wi-Fi");
        NetworkInterfaceInfo wired;
        wired.speed = QStringLiteral("1 Gbps");
        QCOMPARE(MainView::interfaceLine(QStringLiteral("wlan0"), wifi), QStringLiteral("Interface: wlan0  Wi-Fi"));
        QCOMPARE(MainView::interfaceLine(QStringLiteral("eth0"), wired), QStringLiteral("Interface: eth0  Speed: 1 Gbps"));
        QCOMPARE(MainView::interfaceLine(QStringLiteral("eth0"), std::nullopt), QStringLiteral("Interface: eth0"));
    }

    // Renders the main screen listing recorded shares, for scripts/screenshots.
    void screenshots()
    {
        if (qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR").isEmpty())
            QSKIP("Set TREVLAMARK_SCREENSHOT_DIR to render the screenshots");
        FakeWorld world;
        NetworkShare projects =
            world.share(QStringLiteral("files.example.lan"), QStringLiteral("projects"), QStringLiteral("eth0"), 10000);
        NetworkShare media = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 10000);
        media.filesystemType = QStringLiteral("nfs");
        media.totalStorageBytes = qint64(8) << 40;
        media.freeStorageBytes = qint64(1) << 40;
        world.setShares({projects, media});
        MainView &view = world.open();
        view.resize(600, 820);
        view.show();
        QTRY_COMPARE(view.shareItems().size(), 2);
        QTRY_VERIFY(view.shareItems().constFirst()->hasStorageInfo());
        view.selectLocation(projects.mountPath, projects.shareName);
        QTRY_VERIFY(view.shareItems().constLast()->hasStorageInfo());
        testing::saveScreenshots(&view, QStringLiteral("mainview-shares"));
    }
};

QTEST_MAIN(tst_MainView)
#include "tst_mainview.moc"
