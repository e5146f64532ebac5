#include "settings/console.h"
#include "discovery/sharemanager.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
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
    std::optional<QList<QPair<QString, QString>>> hardwarePorts() override
    {
        ++portListings;
        return ports;
    }
    bool isPickerInterface(const QString &device) override { return device.startsWith(QLatin1String("eth")); }
    QStringList interfaceNames() override { return {QStringLiteral("eth0"), QStringLiteral("lo")}; }
    std::optional<ParsedInterfaceInfo> interfaceProperties(const QString &) override { return properties; }
    std::optional<MediaReading> media(const QString &) override { return mediaReading; }
    std::optional<std::pair<QString, int>> speedFromActiveMedia(const QString &active) override
    {
        if (active == QLatin1String("1000 Mbps"))
            return std::pair{QStringLiteral("1 Gbps"), 1000};
        return std::nullopt;
    }

    std::optional<QList<MountedVolume>> volumes = QList<MountedVolume>();
    QHash<QString, QString> routes;
    std::optional<QString> defaultRoute;
    std::optional<QList<QPair<QString, QString>>> ports;
    std::optional<ParsedInterfaceInfo> properties;
    std::optional<MediaReading> mediaReading;
    int routeDelayMilliseconds = 0;
    std::atomic<int> routeQueries = 0;
    std::atomic<int> portListings = 0;
    std::atomic<int> routesRunning = 0;
    std::atomic<int> maxRoutesRunning = 0;
};

// A share manager on a fake backend and a clock the test moves by hand.
struct Fixture
{
    Fixture()
        : now(QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC))
        , manager(
              [this](CommandRunner) {
                  auto fake = std::make_unique<FakeBackend>();
                  backend = fake.get();
                  return fake;
              },
              [this] { return now; })
    {
    }
    void advance(int seconds) { now = now.addSecs(seconds); }

    FakeBackend *backend = nullptr;
    QDateTime now;
    ShareManager manager;
};

} // namespace

class tst_ShareManager : public QObject
{
    Q_OBJECT
private slots:
    void timedOutCommandIsKilled();
    void hungToolIgnoringTerminationIsKilled_data();
    void hungToolIgnoringTerminationIsKilled();
    void failedCommandReturnsErrorOutput();
    void bothOutputsOnRequest();
    void missingToolFailsToLaunch();
    void successfulCommand();
    void parseRemountURL_data();
    void parseRemountURL();
    void parseRemountURLNeverCrashes();
    void hostRouteCacheSharesOneStamp();
    void failedRouteIsNotCached();
    void hardwarePortCacheLifetime();
    void failedListingKeepsCache();
    void clearNetworkCachesForcesNewQueries();
    void pickerListsBackedDevices();
    void defaultRouteFallsBack();
    void speedDecision_data();
    void speedDecision();
    void interfaceRecordIsBuiltOnceAndDoesNotBlock();
    void lookupsFromTwoThreadsRunOneAfterTheOther();
    void detectionBuildsShares();
    void logsDirIsCreated();
};

void tst_ShareManager::timedOutCommandIsKilled()
{
    QElapsedTimer elapsed;
    elapsed.start();
    const CommandResult result = ShareManager::runCommand(QStringLiteral("/bin/sleep"), {QStringLiteral("10")},
                                                          std::nullopt, std::nullopt, false, 0.5);
    QCOMPARE(result, (CommandResult{false, QStringLiteral("Command execution took too long and was aborted")}));
    // Far below the ten seconds the child would have slept.
    QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
}

void tst_ShareManager::hungToolIgnoringTerminationIsKilled_data()
{
    QTest::addColumn<QString>("script"); // $1: the file that receives the tool's PID
    QTest::newRow("ignores SIGTERM") << QStringLiteral("echo $$ > \"$1\"; trap '' TERM; while :; do sleep 0.1; done");
    QTest::newRow("ignores SIGTERM, output written")
        << QStringLiteral("echo $$ > \"$1\"; trap '' TERM; echo partial; while :; do sleep 0.1; done");
}

void tst_ShareManager::hungToolIgnoringTerminationIsKilled()
{
    QFETCH(QString, script);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString pidFile = folder.filePath(QStringLiteral("pid"));
    // The tool time-out every platform tool runs under.
    const CommandResult result = ShareManager::runCommand(QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), script, QStringLiteral("tool"), pidFile}, std::nullopt, std::nullopt, true, 3.0);
    QCOMPARE(result, (CommandResult{false, QStringLiteral("Command execution took too long and was aborted")}));
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pid = file.readAll().trimmed();
    QVERIFY(!pid.isEmpty());
    // The worker follows the ignored SIGTERM with SIGKILL.
    const auto running = [&pid] {
        QFile status(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
        return status.open(QIODevice::ReadOnly) && status.readAll().split(' ').value(2) != "Z";
    };
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);
}

void tst_ShareManager::failedCommandReturnsErrorOutput()
{
    const CommandResult result = ShareManager::runCommand(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo bad >&2; exit 3")}, std::nullopt,
        QStringLiteral("Error running sh"), true, 3.0);
    QVERIFY(!result.success);
    QCOMPARE(result.output, QStringLiteral("bad\n"));
}

void tst_ShareManager::bothOutputsOnRequest()
{
    const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2; exit 1")};
    QCOMPARE(ShareManager::runCommand(QStringLiteral("/bin/sh"), arguments, std::nullopt, std::nullopt, true, 3.0),
             (CommandResult{false, QStringLiteral("STDOUT: out\n\nSTDERR: err\n")}));
    QCOMPARE(ShareManager::runCommand(QStringLiteral("/bin/sh"), arguments, std::nullopt, std::nullopt, false, 3.0),
             (CommandResult{false, QStringLiteral("err\n")}));
}

void tst_ShareManager::missingToolFailsToLaunch()
{
    const CommandResult result = ShareManager::runCommand(QStringLiteral("/nonexistent/tool"), {}, std::nullopt,
                                                          QStringLiteral("Error"), false, 3.0);
    QVERIFY(!result.success);
    QVERIFY(!result.output.isEmpty());
}

void tst_ShareManager::successfulCommand()
{
    const CommandResult result = ShareManager::runCommand(QStringLiteral("/bin/echo"), {QStringLiteral("hello")},
                                                          QStringLiteral("done"), std::nullopt, false, 3.0);
    QCOMPARE(result, (CommandResult{true, QStringLiteral("hello\n")}));
}

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
              unknown = int(NetworkShare::ShareProtocol::unknown);
    QTest::newRow("smb with user") << "smb://anna@fs1/Projects/2024" << true << "fs1" << "Projects" << "anna" << "smbfs" << SMB;
    QTest::newRow("capital scheme") << "SMB://fs1/media" << true << "fs1" << "media" << "" << "smbfs" << SMB;
    QTest::newRow("cifs") << "cifs://fs1/x" << true << "fs1" << "x" << "" << "smbfs" << SMB;
    QTest::newRow("root path") << "nfs://nas/" << true << "nas" << "root" << "" << "nfs" << NFS;
    QTest::newRow("no path") << "afp://mac" << true << "mac" << "root" << "" << "afpfs" << AFP;
    QTest::newRow("webdav") << "https://dav.example/files/a" << true << "dav.example" << "files" << "" << "webdavfs" << WebDAV;
    QTest::newRow("sftp") << "sftp://root@10.231.7.2/run/export" << true << "10.231.7.2" << "run" << "root" << "unknown" << unknown;
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
    QVERIFY(share->isDetected);
    QVERIFY(!share->interfaceID);
}

void tst_ShareManager::parseRemountURLNeverCrashes()
{
    // Every parse prints; keep the log of this loop short.
    Console::setTarget(Console::Target::Discard);
    QRandomGenerator generator(5);
    const QString alphabet = QStringLiteral("smbnfsaftp:/@[]%.-_0123456789ABChost? #");
    for (int round = 0; round < 3000; ++round) {
        QString url;
        const int length = int(generator.bounded(50));
        for (int i = 0; i < length; ++i)
            url += alphabet.at(int(generator.bounded(int(alphabet.size()))));
        if (const std::optional<NetworkShare> share = ShareManager::parseRemountURL(url, QStringLiteral("/mnt/x"))) {
            QVERIFY(!share->hostname.isEmpty());
            QVERIFY(share->hostname != QLatin1String("localhost"));
            QVERIFY(!share->shareName.isEmpty());
        }
    }
    Console::setTarget(Console::Target::StandardOutput);
}

void tst_ShareManager::hostRouteCacheSharesOneStamp()
{
    Fixture f;
    f.backend->routes = {{QStringLiteral("a"), QStringLiteral("eth0")}, {QStringLiteral("b"), QStringLiteral("eth1")}};
    QCOMPARE(f.manager.getInterfaceForHost(QStringLiteral("a")), std::optional<QString>(QStringLiteral("eth0")));
    f.advance(200);
    QCOMPARE(f.manager.getInterfaceForHost(QStringLiteral("b")), std::optional<QString>(QStringLiteral("eth1")));
    QCOMPARE(f.backend->routeQueries.load(), 2);
    f.advance(99);  // 299 s after the first entry: both fresh
    f.manager.getInterfaceForHost(QStringLiteral("a"));
    f.manager.getInterfaceForHost(QStringLiteral("b"));
    QCOMPARE(f.backend->routeQueries.load(), 2);
    f.advance(1);  // 300 s: both are asked again, and the old stamp stays
    f.manager.getInterfaceForHost(QStringLiteral("a"));
    f.manager.getInterfaceForHost(QStringLiteral("b"));
    QCOMPARE(f.backend->routeQueries.load(), 4);
    f.manager.getInterfaceForHost(QStringLiteral("a"));
    QCOMPARE(f.backend->routeQueries.load(), 5);
}

void tst_ShareManager::failedRouteIsNotCached()
{
    Fixture f;
    QVERIFY(!f.manager.getInterfaceForHost(QStringLiteral("nowhere")));
    QVERIFY(!f.manager.getInterfaceForHost(QStringLiteral("nowhere")));
    QCOMPARE(f.backend->routeQueries.load(), 2);
}

void tst_ShareManager::hardwarePortCacheLifetime()
{
    Fixture f;
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth0"), QStringLiteral("Ethernet")}};
    QCOMPARE(f.manager.getHardwarePortName(QStringLiteral("eth0")), QStringLiteral("Ethernet"));
    QCOMPARE(f.manager.getHardwarePortName(QStringLiteral("eth7")), QStringLiteral("Unknown"));
    QCOMPARE(f.backend->portListings.load(), 1);
    f.advance(300);  // at most 300 s: still fresh
    f.manager.listAvailableInterfaces();
    QCOMPARE(f.backend->portListings.load(), 1);
    f.advance(1);
    f.manager.getHardwarePortName(QStringLiteral("eth0"));
    QCOMPARE(f.backend->portListings.load(), 2);
}

void tst_ShareManager::failedListingKeepsCache()
{
    Fixture f;
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth0"), QStringLiteral("Ethernet")}};
    f.manager.listAvailableInterfaces();
    f.backend->ports.reset();
    f.advance(400);
    QVERIFY(f.manager.listAvailableInterfaces().isEmpty());
    QCOMPARE(f.manager.getHardwarePortName(QStringLiteral("eth0")), QStringLiteral("Ethernet"));
}

void tst_ShareManager::clearNetworkCachesForcesNewQueries()
{
    Fixture f;
    f.backend->routes = {{QStringLiteral("a"), QStringLiteral("eth0")}};
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth0"), QStringLiteral("Ethernet")}};
    f.manager.interfaceForHost(QStringLiteral("a"));
    f.manager.interfaceInfo(QStringLiteral("eth0"));
    const int listings = f.backend->portListings.load();
    f.manager.clearNetworkCaches();
    f.manager.interfaceForHost(QStringLiteral("a"));
    f.manager.interfaceInfo(QStringLiteral("eth0"));
    QCOMPARE(f.backend->routeQueries.load(), 2);
    QVERIFY(f.backend->portListings.load() > listings);
}

void tst_ShareManager::pickerListsBackedDevices()
{
    Fixture f;
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth1"), QStringLiteral("Ethernet")},
                                                      {QStringLiteral("tun0"), QStringLiteral("Virtual")},
                                                      {QStringLiteral("eth0"), QStringLiteral("Ethernet")},
                                                      {QStringLiteral("eth0"), QStringLiteral("Wi-Fi")}};
    const QList<InterfaceChoice> choices = f.manager.listAvailableInterfaces();
    const QList<InterfaceChoice> expected = {{QStringLiteral("eth0"), QStringLiteral("Wi-Fi (eth0)")},
                                             {QStringLiteral("eth1"), QStringLiteral("Ethernet (eth1)")}};
    QCOMPARE(choices, expected);
}

void tst_ShareManager::defaultRouteFallsBack()
{
    Fixture f;
    QCOMPARE(f.manager.getDefaultRouteInterface(), QStringLiteral("eth9"));
    f.backend->defaultRoute = QStringLiteral("eth0");
    QCOMPARE(f.manager.getDefaultRouteInterface(), QStringLiteral("eth0"));
}

void tst_ShareManager::speedDecision_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("active");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("rawSpeed");
    QTest::addColumn<int>("megabits");  // 0: absent
    QTest::addColumn<bool>("isWifi");
    QTest::newRow("wifi disconnected") << "Wi-Fi" << "none" << false << "Wi-Fi (Disconnected)" << "OUT" << 0 << true;
    QTest::newRow("ethernet disconnected") << "Ethernet" << "none" << false << "Not Connected" << "OUT" << 0 << false;
    QTest::newRow("wifi connected") << "Wi-Fi" << "1000 Mbps" << true << "Wi-Fi" << "OUT" << 0 << true;
    QTest::newRow("airport") << "AirPort" << "x" << false << "Wi-Fi" << "OUT" << 0 << true;
    QTest::newRow("autoselect") << "Ethernet" << "autoselect" << false << "Ethernet" << "OUT" << 0 << false;
    QTest::newRow("numeric") << "Ethernet" << "1000 Mbps" << true << "1 Gbps" << "1000 Mbps" << 1000 << false;
    QTest::newRow("unrecognised") << "Ethernet" << "2500Base-T" << false << "Ethernet" << "2500Base-T" << 0 << false;
}

void tst_ShareManager::speedDecision()
{
    QFETCH(QString, port);
    QFETCH(QString, active);
    QFETCH(bool, converts);
    QFETCH(int, megabits);
    const std::optional<std::pair<QString, int>> converted =
        converts ? std::optional(std::pair{QStringLiteral("1 Gbps"), 1000}) : std::nullopt;
    const SpeedInfo info = ShareManager::speedInfoFromMedia(port, ShareManager::isWifiPort(port), QStringLiteral("OUT"),
                                                            active, converted);
    QTEST(info.speed, "speed");
    QTEST(info.rawSpeed, "rawSpeed");
    QCOMPARE(info.speedMbps, megabits ? std::optional<int>(megabits) : std::nullopt);
    QTEST(info.isWifi, "isWifi");
    QCOMPARE(info.hardwarePort, port);
}

void tst_ShareManager::interfaceRecordIsBuiltOnceAndDoesNotBlock()
{
    Fixture f;
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth0"), QStringLiteral("Ethernet")}};
    ParsedInterfaceInfo parsed;
    parsed.mtu = 1500;
    parsed.isVirtual = true;
    f.backend->properties = parsed;
    f.backend->mediaReading = MediaReading{QStringLiteral("operstate: up\nspeed: 1000"), QStringLiteral("1000 Mbps")};

    const NetworkInterfaceInfo info = f.manager.interfaceInfo(QStringLiteral("eth0"));
    QCOMPARE(info.interfaceID, QStringLiteral("eth0"));
    QCOMPARE(info.name, QStringLiteral("Ethernet"));
    QVERIFY(info.isVirtual);
    QCOMPARE(info.speed, std::optional<QString>(QStringLiteral("1 Gbps")));
    QCOMPARE(info.rawSpeed, std::optional<QString>(QStringLiteral("1000 Mbps")));
    QCOMPARE(info.speedMbps, std::optional<int>(1000));
    QCOMPARE(info.mtu, std::optional<int>(1500));
    QVERIFY(!f.manager.isInSyncOperation());

    f.backend->properties.reset();
    QCOMPARE(f.manager.interfaceInfo(QStringLiteral("eth0")), info);

    f.backend->mediaReading.reset();
    const NetworkInterfaceInfo failed = f.manager.interfaceInfo(QStringLiteral("eth1"));
    QVERIFY(!failed.speed && !failed.rawSpeed && !failed.speedMbps && !failed.mtu);
    QVERIFY(!failed.isVirtual);
    QCOMPARE(failed.name, QStringLiteral("Unknown"));
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
    QCOMPARE(f.manager.serialQueue().label(), QStringLiteral("com.qormix.trevlamark.shareManager"));
    QVERIFY(!f.manager.serialQueue().isCurrentThread());
}

void tst_ShareManager::detectionBuildsShares()
{
    Fixture f;
    f.backend->volumes = QList<MountedVolume>{
        {QStringLiteral("/"), true, std::nullopt},
        {QStringLiteral("/mnt/smb"), false, QStringLiteral("smb://anna@fs1/Projects/2024")},
        {QStringLiteral("/mnt/nourl"), false, std::nullopt},
        {QStringLiteral("/mnt/local"), false, QStringLiteral("smb://localhost/x")},
        {QStringLiteral("/mnt/dav"), false, QStringLiteral("https://dav.example/")},
    };
    f.backend->routes = {{QStringLiteral("fs1"), QStringLiteral("eth0")}};
    f.backend->ports = QList<QPair<QString, QString>>{{QStringLiteral("eth0"), QStringLiteral("Ethernet")}};
    const QList<NetworkShare> shares = f.manager.detectMountedShares();
    QCOMPARE(shares.size(), 2);
    QCOMPARE(shares.at(0).hostname, QStringLiteral("fs1"));
    QCOMPARE(shares.at(0).shareName, QStringLiteral("Projects"));
    QCOMPARE(shares.at(0).username, QStringLiteral("anna"));
    QCOMPARE(shares.at(0).interfaceID, std::optional<QString>(QStringLiteral("eth0")));
    QVERIFY(shares.at(0).cachedInterfaceInfo);
    QCOMPARE(shares.at(0).cachedInterfaceInfo->name, QStringLiteral("Ethernet"));
    QCOMPARE(shares.at(1).shareName, QStringLiteral("root"));
    QCOMPARE(shares.at(1).shareProtocol, NetworkShare::ShareProtocol::WebDAV);
    QVERIFY(!shares.at(1).interfaceID);
    QVERIFY(!shares.at(1).cachedInterfaceInfo);

    const QList<NetworkShare> again = f.manager.detectMountedShares();
    QVERIFY(again.at(0) != shares.at(0));  // fresh identities every time
    QCOMPARE(f.backend->routeQueries.load(), 3);  // fs1 once (cached), dav.example twice (never found)

    f.backend->volumes.reset();
    QVERIFY(f.manager.detectMountedShares().isEmpty());
}

void tst_ShareManager::logsDirIsCreated()
{
    Fixture f;
    QVERIFY(f.manager.logsDir().endsWith(QLatin1String("/qormix")));
    QVERIFY(QFileInfo(f.manager.logsDir()).isDir());
}

QTEST_GUILESS_MAIN(tst_ShareManager)
#include "tst_sharemanager.moc"
