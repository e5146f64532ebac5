#include "discovery/sharemanager.h"

#include <QtTest>
#include <atomic>
#include <thread>

using namespace trevlamark;

namespace {

// A backend whose answers the test chooses, counting how often each is asked.
class FakeBackend : public DiscoveryBackend
{
public:
    std::optional<QList<MountedVolume>> mountedVolumes() override { return volumes; }
    std::optional<QString> routeInterface(const QString &host) override
    {
        ++routeQueries;
        const int running = ++routesRunning;
        maxRoutesRunning = std::max(maxRoutesRunning.load(), running);
        if (routeDelayMilliseconds > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(routeDelayMilliseconds));
        --routesRunning;
        return routes.contains(host) ? std::optional(routes.value(host)) : std::nullopt;
    }
    std::optional<QString> defaultRouteInterface() override { return defaultRoute; }
    QString fallbackDefaultInterface() override { return QStringLiteral("eth9"); }
    std::optional<QList<NetworkDevice>> devices() override
    {
        ++deviceListings;
        return deviceList;
    }
    QStringList interfaceNames() override { return {QStringLiteral("eth0"), QStringLiteral("lo")}; }
    std::optional<InterfaceFacts> interfaceFacts(const QString &) override { return facts; }

    std::optional<QList<MountedVolume>> volumes = QList<MountedVolume>();
    QHash<QString, QString> routes;
    std::optional<QString> defaultRoute;
    std::optional<QList<NetworkDevice>> deviceList =
        QList<NetworkDevice>{{QStringLiteral("eth0"), NetworkDevice::Kind::ethernet}};
    std::optional<InterfaceFacts> facts;
    int routeDelayMilliseconds = 0;
    std::atomic<int> routeQueries = 0;
    std::atomic<int> deviceListings = 0;
    std::atomic<int> routesRunning = 0;
    std::atomic<int> maxRoutesRunning = 0;
};

// A share manager on a fake backend and a clock the test moves by hand.
struct Fixture
{
    Fixture()
        : backend(new FakeBackend)
        , now(QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC))
        , manager(std::unique_ptr<DiscoveryBackend>(backend), [this] { return now; })
    {
    }
    void advance(int seconds) { now = now.addSecs(seconds); }

    FakeBackend *backend;
    QDateTime now;
    ShareManager manager;
};

} // namespace

class tst_ShareManager : public QObject
{
    Q_OBJECT
private slots:
    void parseRemountURL_data();
    void parseRemountURL();
    void hostRouteCache();
    void deviceCacheLifetimeAndFailedListing();
    void pickerListsEveryDeviceButLoopback();
    void defaultRouteFallsBack();
    void interfaceRecordIsBuiltOnce();
    void lookupsFromTwoThreadsRunOneAfterTheOther();
    void detectionBuildsShares();
};

void tst_ShareManager::parseRemountURL_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("share");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("filesystemType");
    QTest::addColumn<int>("protocol");
    const int SMB = int(NetworkShare::ShareProtocol::SMB), WebDAV = int(NetworkShare::ShareProtocol::WebDAV),
              NFS = int(NetworkShare::ShareProtocol::NFS), AFP = int(NetworkShare::ShareProtocol::AFP),
              SFTP = int(NetworkShare::ShareProtocol::SFTP), unknown = int(NetworkShare::ShareProtocol::unknown);
    QTest::newRow("smb with user") << "smb://anna@fs1/Projects/2024" << true << "fs1" << "Projects" << "anna" << "smbfs" << SMB;
    QTest::newRow("capital scheme") << "SMB://fs1/media" << true << "fs1" << "media" << "" << "smbfs" << SMB;
    QTest::newRow("cifs") << "cifs://fs1/x" << true << "fs1" << "x" << "" << "smbfs" << SMB;
    QTest::newRow("root path") << "nfs://nas/" << true << "nas" << "root" << "" << "nfs" << NFS;
    QTest::newRow("no path") << "afp://mac" << true << "mac" << "root" << "" << "afpfs" << AFP;
    QTest::newRow("webdav") << "https://dav.example/files/a" << true << "dav.example" << "files" << "" << "webdavfs" << WebDAV;
    QTest::newRow("sshfs") << "sftp://root@10.231.7.2/run/export/" << true << "10.231.7.2" << "export" << "root" << "sshfs" << SFTP;
    QTest::newRow("GVfs sftp") << "sftp://u@h/" << true << "h" << "root" << "u" << "sshfs" << SFTP;
    QTest::newRow("ftp") << "ftp://h/pub/x" << true << "h" << "pub" << "" << "unknown" << unknown;
    QTest::newRow("double slash") << "smb://fs1//deep" << true << "fs1" << "deep" << "" << "smbfs" << SMB;
    QTest::newRow("localhost") << "smb://localhost/x" << false << "" << "" << "" << "" << 0;
    QTest::newRow("no host") << "file:///tmp" << false << "" << "" << "" << "" << 0;
    QTest::newRow("garbage") << "::::" << false << "" << "" << "" << "" << 0;
}

void tst_ShareManager::parseRemountURL()
{
    QFETCH(QString, url);
    QFETCH(bool, valid);
    const std::optional<NetworkShare> share = ShareManager::parseRemountURL(url, QStringLiteral("/mnt/x"));
    QCOMPARE(share.has_value(), valid);
    if (!valid)
        return;
    QTEST(share->hostname, "host");
    QTEST(share->shareName, "share");
    QTEST(share->username, "user");
    QTEST(share->filesystemType, "filesystemType");
    QTEST(int(share->shareProtocol), "protocol");
    QCOMPARE(share->mountPath, QStringLiteral("/mnt/x"));
    QVERIFY(share->isDetected && !share->interfaceID);
}

void tst_ShareManager::hostRouteCache()
{
    Fixture f;
    f.backend->routes = {{QStringLiteral("a"), QStringLiteral("eth0")}, {QStringLiteral("b"), QStringLiteral("eth1")}};
    QCOMPARE(f.manager.interfaceForHost(QStringLiteral("a")), std::optional<QString>(QStringLiteral("eth0")));
    f.advance(200);
    QCOMPARE(f.manager.interfaceForHost(QStringLiteral("b")), std::optional<QString>(QStringLiteral("eth1")));
    QCOMPARE(f.backend->routeQueries.load(), 2);
    f.advance(99);  // 299 s after the first entry: both fresh
    f.manager.interfaceForHost(QStringLiteral("a"));
    f.manager.interfaceForHost(QStringLiteral("b"));
    QCOMPARE(f.backend->routeQueries.load(), 2);
    f.advance(1);  // 300 s: both are asked again, and the old stamp stays
    f.manager.interfaceForHost(QStringLiteral("a"));
    f.manager.interfaceForHost(QStringLiteral("b"));
    QCOMPARE(f.backend->routeQueries.load(), 4);
    f.manager.interfaceForHost(QStringLiteral("a"));
    QCOMPARE(f.backend->routeQueries.load(), 5);
    // A host without a route is asked again every time.
    QVERIFY(!f.manager.interfaceForHost(QStringLiteral("nowhere")));
    QVERIFY(!f.manager.interfaceForHost(QStringLiteral("nowhere")));
    QCOMPARE(f.backend->routeQueries.load(), 7);
    // A volume change forgets every route.
    f.manager.clearNetworkCaches();
    f.manager.interfaceForHost(QStringLiteral("a"));
    QCOMPARE(f.backend->routeQueries.load(), 8);
}

void tst_ShareManager::deviceCacheLifetimeAndFailedListing()
{
    Fixture f;
    f.backend->deviceList->append({QStringLiteral("eth2"), NetworkDevice::Kind::ethernet});
    f.manager.listAvailableInterfaces();
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth0")).name, QStringLiteral("Ethernet"));
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth7")).name, QStringLiteral("Unknown"));
    QCOMPARE(f.backend->deviceListings.load(), 1);
    f.advance(300);  // at most 300 s: still fresh
    f.manager.listAvailableInterfaces();
    QCOMPARE(f.backend->deviceListings.load(), 1);
    // A failed listing after that keeps what was listed before.
    f.backend->deviceList.reset();
    f.advance(1);
    QVERIFY(f.manager.listAvailableInterfaces().isEmpty());
    QCOMPARE(f.backend->deviceListings.load(), 2);
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth2")).name, QStringLiteral("Ethernet"));
    f.manager.clearNetworkCaches();
    f.backend->deviceList = QList<NetworkDevice>{{QStringLiteral("eth0"), NetworkDevice::Kind::wifi}};
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth0")).name, QStringLiteral("Wi-Fi"));
}

void tst_ShareManager::pickerListsEveryDeviceButLoopback()
{
    Fixture f;
    f.backend->deviceList = QList<NetworkDevice>{{QStringLiteral("eth1"), NetworkDevice::Kind::ethernet},
                                                 {QStringLiteral("wg0"), NetworkDevice::Kind::vpn},
                                                 {QStringLiteral("lo"), NetworkDevice::Kind::loopback},
                                                 {QStringLiteral("eth1.7"), NetworkDevice::Kind::vlan},
                                                 {QStringLiteral("veth0"), NetworkDevice::Kind::virtualDevice},
                                                 {QStringLiteral("eth0"), NetworkDevice::Kind::wifi}};
    const QList<InterfaceChoice> expected = {{QStringLiteral("eth0"), QStringLiteral("Wi-Fi (eth0)")},
                                             {QStringLiteral("eth1"), QStringLiteral("Ethernet (eth1)")},
                                             {QStringLiteral("eth1.7"), QStringLiteral("VLAN (eth1.7)")},
                                             {QStringLiteral("veth0"), QStringLiteral("Virtual (veth0)")},
                                             {QStringLiteral("wg0"), QStringLiteral("VPN (wg0)")}};
    QCOMPARE(f.manager.listAvailableInterfaces(), expected);
}

void tst_ShareManager::defaultRouteFallsBack()
{
    Fixture f;
    QCOMPARE(f.manager.getDefaultRouteInterface(), QStringLiteral("eth9"));
    f.backend->defaultRoute = QStringLiteral("eth0");
    QCOMPARE(f.manager.getDefaultRouteInterface(), QStringLiteral("eth0"));
}

void tst_ShareManager::interfaceRecordIsBuiltOnce()
{
    Fixture f;
    InterfaceFacts facts;
    facts.device = QStringLiteral("eth0");
    facts.mtu = 1500;
    facts.operState = InterfaceFacts::OperState::up;
    facts.speedMbps = 1000;
    f.backend->facts = facts;

    const NetworkInterfaceInfo info = f.manager.interfaceInfo(QStringLiteral("eth0"));
    QCOMPARE(info.interfaceID, QStringLiteral("eth0"));
    QCOMPARE(info.name, QStringLiteral("Ethernet"));
    QVERIFY(info.isVirtual && !info.isWifi);
    QCOMPARE(info.speed, std::optional<QString>(QStringLiteral("1 Gbps")));
    QCOMPARE(info.rawSpeed, std::optional<QString>(QStringLiteral("1000 Mbps")));
    QCOMPARE(info.speedMbps, std::optional<int>(1000));
    QCOMPARE(info.mtu, std::optional<int>(1500));

    f.backend->facts.reset();
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth0")), info);
    const NetworkInterfaceInfo missing = f.manager.interfaceInfo(QStringLiteral("eth1"));
    QVERIFY(!missing.speed && !missing.rawSpeed && !missing.speedMbps && !missing.mtu && !missing.isVirtual);
    QCOMPARE(missing.name, QStringLiteral("Unknown"));
}

void tst_ShareManager::lookupsFromTwoThreadsRunOneAfterTheOther()
{
    Fixture f;
    f.backend->routes = {{QStringLiteral("a"), QStringLiteral("eth0")}, {QStringLiteral("b"), QStringLiteral("eth1")}};
    f.backend->routeDelayMilliseconds = 100;
    std::optional<QString> first;
    std::optional<QString> second;
    std::thread one([&] { first = f.manager.interfaceForHost(QStringLiteral("a")); });
    std::thread two([&] { second = f.manager.interfaceForHost(QStringLiteral("b")); });
    one.join();
    two.join();
    QCOMPARE(first, std::optional<QString>(QStringLiteral("eth0")));
    QCOMPARE(second, std::optional<QString>(QStringLiteral("eth1")));
    QCOMPARE(f.backend->maxRoutesRunning.load(), 1);
}

void tst_ShareManager::detectionBuildsShares()
{
    Fixture f;
    f.backend->volumes = QList<MountedVolume>{
        {QStringLiteral("/"), true, std::nullopt, {}},
        {QStringLiteral("/mnt/smb"), false, QStringLiteral("smb://anna@fs1/Projects/2024"), {}},
        {QStringLiteral("/mnt/nourl"), false, std::nullopt, {}},
        {QStringLiteral("/mnt/local"), false, QStringLiteral("smb://localhost/x"), {}},
        {QStringLiteral("/mnt/dav"), false, QStringLiteral("https://dav.example/"), {}},
    };
    f.backend->routes = {{QStringLiteral("fs1"), QStringLiteral("eth0")}};
    const QList<NetworkShare> shares = f.manager.detectMountedShares();
    QCOMPARE(shares.size(), 2);
    QCOMPARE(shares.at(0).hostname, QStringLiteral("fs1"));
    QCOMPARE(shares.at(0).shareName, QStringLiteral("Projects"));
    QCOMPARE(shares.at(0).username, QStringLiteral("anna"));
    QCOMPARE(shares.at(0).interfaceID, std::optional<QString>(QStringLiteral("eth0")));
    QCOMPARE(shares.at(0).cachedInterfaceInfo->name, QStringLiteral("Ethernet"));
    QCOMPARE(shares.at(1).shareName, QStringLiteral("root"));
    QCOMPARE(shares.at(1).shareProtocol, NetworkShare::ShareProtocol::WebDAV);
    QVERIFY(!shares.at(1).interfaceID && !shares.at(1).cachedInterfaceInfo);

    const QList<NetworkShare> again = f.manager.detectMountedShares();
    QVERIFY(again.at(0) != shares.at(0));  // fresh identities every time
    QCOMPARE(f.backend->routeQueries.load(), 3);  // fs1 once (cached), dav.example twice (never found)

    f.backend->volumes.reset();
    QVERIFY(f.manager.detectMountedShares().isEmpty());
}

QTEST_GUILESS_MAIN(tst_ShareManager)
#include "tst_sharemanager.moc"
