#include "settings/preferencesmanager.h"
#include "discovery/sharemanager.h"
#include "discovery/volumemonitor.h"
#include "monitor/networkinterfacemonitor.h"
#include "platform/detachedthreads.h"
#include "platform/mountinfo.h"
#include "platform/platformpaths.h"
#include "ui/common/findingslabel.h"
#include "ui/mainscreen/interfaceselector.h"
#include "ui/mainscreen/mainscreen.h"
#include "ui/mainscreen/sharelist.h"
#include "ui/mainscreen/sharerow.h"
#include "support/widgetscreenshot.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>
#include <QThread>
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
    // The screen asks this world on threads of its own; a test that ends before
    // they answer must not leave them reading a world that has gone.
    ~FakeWorld()
    {
        holdPathAnswers = false;
        DetachedThreads::waitForAll(30);
    }

    MainScreen::Sources sources()
    {
        MainScreen::Sources result;
        result.detectShares = [this](ShareManager &) {
            ++detectCount;
            std::lock_guard lock(mutex);
            return shares;
        };
        result.isNetworkPath = [this](const QString &path) {
            while (holdPathAnswers) // a share whose server stopped answering
                QThread::msleep(5);
            return NetworkShare::isInside(path, root);
        };
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

    std::atomic<bool> holdPathAnswers{false};

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
    MainScreen &open()
    {
        screen = std::make_unique<MainScreen>(QString(), &preferences, sources());
        QObject::connect(screen.get(), &MainScreen::testRequested, screen.get(),
                         [this](const TestParameters &parameters) { requested = parameters; });
        return *screen;
    }

    QTemporaryDir folder;
    const QString root = folder.path();
    std::mutex mutex;
    QList<NetworkShare> shares;
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    std::atomic<int> detectCount = 0;
    VolumeMonitor volumes;
    std::optional<TestParameters> requested;
    PreferencesManager preferences;
    // Last, so the screen goes before the world it looks at.
    std::unique_ptr<MainScreen> screen;
};

// An SMB 2.1 mount as the kernel's cifs client lists it, on a computer with two links.
MountSettings recordedCifsSettings()
{
    return MountSettings::fromEntry(
        *MountInfo::parseLine(QStringLiteral("95 29 0:48 / /mnt/media rw,relatime - cifs //nas/media "
                                             "rw,vers=2.1,cache=strict,soft,rsize=65536,wsize=65536")),
        2);
}

} // namespace

class tst_MainScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("XDG_DATA_HOME").contains(QLatin1String("/tests/home/")))
            QSKIP("Run through ctest, which points XDG_DATA_HOME into the build tree");
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
        MainScreen &view = world.open();
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
        MainScreen &view = world.open();
        QTRY_VERIFY(!view.isLoadingShares());
        world.advance(1.5);
        world.setShares({world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000)});
        world.volumes.handleVolumeMounted(world.root + QStringLiteral("/media"));
        QTRY_VERIFY(view.hasPendingRefresh());
        QCOMPARE(world.detectCount.load(), 1);
        QTRY_COMPARE(view.shareList()->rows().size(), 1);
        QCOMPARE(world.detectCount.load(), 2);
        QVERIFY(!view.hasPendingRefresh());
    }

    // Two mounts of one share have one title; the mount point tells them apart.
    void twoMountsOfOneShareAreToldApart()
    {
        FakeWorld world;
        const NetworkShare first = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 1000);
        NetworkShare second = first;
        second.id = QUuid::createUuid();
        second.mountPath = world.root + QStringLiteral("/media-again");
        world.setShares({first, second});
        MainScreen &view = world.open();
        QTRY_COMPARE(view.shareList()->rows().size(), 2);
        QStringList captions;
        for (const ShareRow *row : view.shareList()->rows())
            captions.append(row->caption());
        captions.sort();
        QCOMPARE(captions, (QStringList{QStringLiteral("smbfs · ") + first.mountPath,
                                        QStringLiteral("smbfs · ") + second.mountPath}));
    }

    void openTestOnAShareCarriesItsInterface()
    {
        FakeWorld world;
        NetworkShare share = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("lo"), 1000);
        share.mountSettings = recordedCifsSettings();
        world.setShares({share});
        MainScreen &view = world.open();
        QTRY_COMPARE(view.shareList()->rows().size(), 1);
        // Choosing a folder does not wait for the question whether it is remote.
        world.holdPathAnswers = true;
        view.selectLocation(share.mountPath, QString());
        QVERIFY(!view.isNetworkLocation());
        world.holdPathAnswers = false;
        QTRY_VERIFY(view.isNetworkLocation());
        // The share's details name its mount settings and what caps its speed.
        QVERIFY(view.mountSettingsLabel()->isVisibleTo(&view));
        QVERIFY2(view.mountSettingsLabel()->text().contains(QStringLiteral("Mount: SMB 2.1 over tcp"))
                     && view.mountSettingsLabel()->text().contains(QStringLiteral("SMB dialect 2.1 is old")),
                 qPrintable(view.mountSettingsLabel()->text()));
        view.openTest();
        QVERIFY(world.requested);
        const TestParameters &parameters = *world.requested;
        QVERIFY(parameters.isNetworkLocation);
        QCOMPARE(parameters.networkShare->mountPath, share.mountPath);
        QVERIFY(parameters.networkInterfaceInfo);
        QCOMPARE(parameters.networkInterfaceInfo->interfaceID, QStringLiteral("lo"));
        // A folder picked afterwards is named for itself, not after the share before it.
        QTemporaryDir folder;
        view.selectLocation(folder.path(), QString());
        QCOMPARE(view.selectedShareName(), QFileInfo(folder.path()).fileName());
        // A chosen folder that went away is given up at a later look at the shares (the look is off this thread).
        QVERIFY(folder.remove());
        QTRY_VERIFY((world.advance(60), view.refreshShares(), view.selectedLocation() == MainScreen::defaultTestLocation()));
        const std::weak_ptr<ShareManager> manager = parameters.shareManager;
        world.screen.reset();
        // The test screen goes on using the manager after the main screen is gone.
        QVERIFY(!manager.expired());
    }

    void developerSettingsRenewTheSampler()
    {
        FakeWorld world;
        MainScreen &view = world.open();
        const QPointer<NetworkInterfaceMonitor> before = view.networkMonitor();
        QCOMPARE(before->historyDuration(), world.preferences.graphHistoryDuration());

        world.preferences.setGraphSamplingRateString(QStringLiteral("0.5"));
        world.preferences.savePreferences();
        QCOMPARE(view.networkMonitor(), before.data());

        world.preferences.setGraphHistoryDurationString(QStringLiteral("120"));
        world.preferences.savePreferences();
        QVERIFY(!before);
        QCOMPARE(view.networkMonitor()->historyDuration(), world.preferences.graphHistoryDuration());
        QCOMPARE(view.networkMonitor()->samplingInterval(), 0.5);
    }

    // Renders the main screen listing recorded shares, for scripts/screenshots.
    void screenshots()
    {
        if (qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR").isEmpty())
            QSKIP("Set TREVLAMARK_SCREENSHOT_DIR to render the screenshots");
        FakeWorld world;
        NetworkShare projects =
            world.share(QStringLiteral("files.example.lan"), QStringLiteral("projects"), QStringLiteral("eth0"), 10000);
        projects.mountSettings = recordedCifsSettings();
        NetworkShare media = world.share(QStringLiteral("nas"), QStringLiteral("media"), QStringLiteral("eth0"), 10000);
        media.filesystemType = QStringLiteral("nfs");
        media.totalStorageBytes = qint64(8) << 40;
        media.freeStorageBytes = qint64(1) << 40;
        world.setShares({projects, media});
        MainScreen &view = world.open();
        view.resize(600, 820);
        view.show();
        QTRY_COMPARE(view.shareList()->rows().size(), 2);
        QTRY_VERIFY(view.shareList()->rows().constFirst()->hasStorageInfo());
        view.selectLocation(projects.mountPath, projects.shareName);
        QTRY_VERIFY(view.isNetworkLocation());
        QTRY_VERIFY(view.shareList()->rows().constLast()->hasStorageInfo());
        testing::saveScreenshots(&view, QStringLiteral("mainview-shares"));
    }
};

QTEST_MAIN(tst_MainScreen)
#include "tst_mainscreen.moc"
