#include "platform/linuxdiscoverybackend.h"
#include "platform/mountinfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

namespace {

// A stand-in for /sys/class/net built from plain files.
class FakeNetClass
{
public:
    bool isValid() const { return m_directory.isValid(); }
    QString path() const { return m_directory.path(); }
    void write(const QString &device, const QString &attribute, const QByteArray &value)
    {
        const QString file = m_directory.path() + QLatin1Char('/') + device + QLatin1Char('/') + attribute;
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(value);
    }
    void makeDirectory(const QString &device, const QString &entry)
    {
        QDir().mkpath(m_directory.path() + QLatin1Char('/') + device + QLatin1Char('/') + entry);
    }

private:
    QTemporaryDir m_directory;
};

CommandRunner failingRunner(QStringList *calls)
{
    return [calls](const QString &path, const QStringList &arguments, const QString &) {
        calls->append(path + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
        return CommandResult{false, QStringLiteral("no route")};
    };
}

} // namespace

class tst_LinuxDiscoveryBackend : public QObject
{
    Q_OBJECT
private slots:
    void parseRouteDevice_data();
    void parseRouteDevice();
    void speedText_data();
    void speedText();
    void portName_data();
    void portName();
    void hasVirtualName_data();
    void hasVirtualName();
    void smbnetfsTreeIsOneVolumePerShare();
    void gvfsFoldersAreVolumes();
    void plainMountIsOneVolume();
    void sysfsFacts();
    void mediaOfDownLink();
    void missingDeviceFails();
    void routeQueriesRunIpWithAnAddress();
    void speedFromActiveMedia();
};

void tst_LinuxDiscoveryBackend::parseRouteDevice_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");
    QTest::newRow("route get") << "10.231.7.2 dev tvh0 src 10.231.7.1 uid 0 \n    cache \n" << "tvh0";
    QTest::newRow("default") << "default via 192.0.2.1 dev eth0 proto dhcp metric 100\n" << "eth0";
    QTest::newRow("two defaults") << "default via 1.1.1.1 dev wlan0\ndefault via 2.2.2.2 dev eth1\n" << "wlan0";
    QTest::newRow("dev at the end") << "local 127.0.0.1 dev" << "";
    QTest::newRow("empty") << "" << "";
}

void tst_LinuxDiscoveryBackend::parseRouteDevice()
{
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QCOMPARE(LinuxDiscoveryBackend::parseRouteDevice(output).value_or(QString()), expected);
}

void tst_LinuxDiscoveryBackend::speedText_data()
{
    QTest::addColumn<int>("megabits");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1000") << 1000 << "1 Gbps";
    QTest::newRow("10000") << 10000 << "10 Gbps";
    QTest::newRow("2500") << 2500 << "2.5 Gbps";
    QTest::newRow("100") << 100 << "100 Mbps";
    QTest::newRow("10") << 10 << "10 Mbps";
}

void tst_LinuxDiscoveryBackend::speedText()
{
    QFETCH(int, megabits);
    QTEST(LinuxDiscoveryBackend::speedText(megabits), "expected");
}

void tst_LinuxDiscoveryBackend::portName_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("wireless");
    QTest::addColumn<bool>("bridge");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("backed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("wifi") << "wlan0" << true << false << 1 << true << "Wi-Fi";
    QTest::newRow("loopback") << "lo" << false << false << 772 << false << "Loopback";
    QTest::newRow("bridge") << "br0" << false << true << 1 << false << "Bridge";
    QTest::newRow("ethernet") << "eth0" << false << false << 1 << true << "Ethernet";
    QTest::newRow("veth") << "tvh0" << false << false << 1 << false << "Virtual";
    QTest::newRow("tunnel") << "tun0" << false << false << 65534 << false << "Virtual";
}

void tst_LinuxDiscoveryBackend::portName()
{
    QFETCH(QString, device);
    QFETCH(bool, wireless);
    QFETCH(bool, bridge);
    QFETCH(int, type);
    QFETCH(bool, backed);
    QTEST(LinuxDiscoveryBackend::portName(device, wireless, bridge, type, backed), "expected");
}

void tst_LinuxDiscoveryBackend::hasVirtualName_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("expected");
    for (const char *name : {"utun0", "tun0", "ppp0", "ipsec0", "vpn0", "virbr0", "bridge0", "tap0", "veth1", "wg0",
                             "docker0", "br-1a2b", "vxlan7"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char *name : {"eth0", "enp3s0", "wlan0", "tvh0", "lo"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
}

void tst_LinuxDiscoveryBackend::hasVirtualName()
{
    QFETCH(QString, device);
    QTEST(LinuxDiscoveryBackend::hasVirtualName(device), "expected");
}

void tst_LinuxDiscoveryBackend::smbnetfsTreeIsOneVolumePerShare()
{
    MountEntry entry;
    entry.mountPoint = QStringLiteral("/mnt/netshare/smb");
    entry.filesystemType = QStringLiteral("fuse.smbnetfs");
    entry.source = QStringLiteral("smbnetfs");
    const auto listFolders = [](const QString &path) {
        if (path == QLatin1String("/mnt/netshare/smb/10.231.7.2"))
            return QStringList{QStringLiteral("share"), QStringLiteral("media")};
        return QStringList();
    };
    const QList<MountedVolume> volumes =
        LinuxDiscoveryBackend::volumesOf(entry, {QStringLiteral("10.231.7.2"), QStringLiteral("empty")}, listFolders);
    QCOMPARE(volumes.size(), 2);
    QCOMPARE(volumes.at(0).path, QStringLiteral("/mnt/netshare/smb/10.231.7.2/share"));
    QVERIFY(!volumes.at(0).isLocal);
    QCOMPARE(volumes.at(0).remountUrl, std::optional<QString>(QStringLiteral("smb://10.231.7.2/share")));
    QCOMPARE(volumes.at(1).remountUrl, std::optional<QString>(QStringLiteral("smb://10.231.7.2/media")));
}

void tst_LinuxDiscoveryBackend::gvfsFoldersAreVolumes()
{
    MountEntry entry;
    entry.mountPoint = QStringLiteral("/run/user/1000/gvfs");
    entry.filesystemType = QStringLiteral("fuse.gvfsd-fuse");
    const QList<MountedVolume> volumes = LinuxDiscoveryBackend::volumesOf(
        entry, {QStringLiteral("smb-share:server=nas,share=media"), QStringLiteral("mtp:host=Phone")},
        [](const QString &) { return QStringList(); });
    QCOMPARE(volumes.size(), 1);
    QCOMPARE(volumes.first().path, QStringLiteral("/run/user/1000/gvfs/smb-share:server=nas,share=media"));
    QCOMPARE(volumes.first().remountUrl, std::optional<QString>(QStringLiteral("smb://nas/media")));
}

void tst_LinuxDiscoveryBackend::plainMountIsOneVolume()
{
    const auto noFolders = [](const QString &) { return QStringList(); };
    const QList<MountedVolume> local = LinuxDiscoveryBackend::volumesOf(
        *MountInfo::parseLine(QStringLiteral("1 0 8:1 / / rw - ext4 /dev/sda1 rw")), {}, noFolders);
    QCOMPARE(local.size(), 1);
    QVERIFY(local.first().isLocal);
    QVERIFY(!local.first().remountUrl);
    const QList<MountedVolume> remote = LinuxDiscoveryBackend::volumesOf(
        *MountInfo::parseLine(QStringLiteral("2 1 0:9 / /mnt/s rw - fuse.sshfs u@h:/x rw")), {}, noFolders);
    QVERIFY(!remote.first().isLocal);
    QCOMPARE(remote.first().remountUrl, std::optional<QString>(QStringLiteral("sftp://u@h/x")));
}

void tst_LinuxDiscoveryBackend::sysfsFacts()
{
    FakeNetClass net;
    QVERIFY(net.isValid());
    net.write(QStringLiteral("eth0"), QStringLiteral("flags"), "0x1003\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("mtu"), "9000\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("type"), "1\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("address"), "02:fc:00:00:00:01\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("operstate"), "up\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("speed"), "2500\n");
    net.makeDirectory(QStringLiteral("eth0"), QStringLiteral("device"));
    net.write(QStringLiteral("wlan0"), QStringLiteral("type"), "1\n");
    net.makeDirectory(QStringLiteral("wlan0"), QStringLiteral("wireless"));
    net.makeDirectory(QStringLiteral("wlan0"), QStringLiteral("device"));
    net.write(QStringLiteral("ppp0"), QStringLiteral("flags"), "0x1091\n");
    net.write(QStringLiteral("ppp0"), QStringLiteral("type"), "512\n");

    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    QCOMPARE(backend.interfaceNames(), (QStringList{QStringLiteral("eth0"), QStringLiteral("ppp0"), QStringLiteral("wlan0")}));
    const QList<QPair<QString, QString>> expectedPorts = {{QStringLiteral("eth0"), QStringLiteral("Ethernet")},
                                                          {QStringLiteral("ppp0"), QStringLiteral("Virtual")},
                                                          {QStringLiteral("wlan0"), QStringLiteral("Wi-Fi")}};
    QCOMPARE(backend.hardwarePorts(), std::optional(expectedPorts));
    QVERIFY(backend.isPickerInterface(QStringLiteral("eth0")));
    QVERIFY(!backend.isPickerInterface(QStringLiteral("ppp0")));
    QVERIFY(!backend.isPickerInterface(QStringLiteral("../eth0")));

    const std::optional<ParsedInterfaceInfo> eth0 = backend.interfaceProperties(QStringLiteral("eth0"));
    QVERIFY(eth0);
    QCOMPARE(eth0->mtu, std::optional<int>(9000));
    QCOMPARE(eth0->hardwareAddr, std::optional<QString>(QStringLiteral("02:fc:00:00:00:01")));
    QVERIFY(!eth0->isVirtual);
    const std::optional<ParsedInterfaceInfo> ppp0 = backend.interfaceProperties(QStringLiteral("ppp0"));
    QVERIFY(ppp0);
    QVERIFY(ppp0->isVirtual);

    const std::optional<MediaReading> media = backend.media(QStringLiteral("eth0"));
    QVERIFY(media);
    QCOMPARE(media->active, QStringLiteral("2500 Mbps"));
    QCOMPARE(backend.speedFromActiveMedia(media->active), std::optional(std::pair{QStringLiteral("2.5 Gbps"), 2500}));
    QCOMPARE(backend.fallbackDefaultInterface(), QStringLiteral("eth0"));
    QVERIFY(calls.isEmpty());
}

void tst_LinuxDiscoveryBackend::mediaOfDownLink()
{
    FakeNetClass net;
    net.write(QStringLiteral("eth1"), QStringLiteral("operstate"), "down\n");
    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    const std::optional<MediaReading> media = backend.media(QStringLiteral("eth1"));
    QVERIFY(media);
    QCOMPARE(media->active, QStringLiteral("none"));
    QVERIFY(media->output.contains(QLatin1String("speed: unknown")));
}

void tst_LinuxDiscoveryBackend::missingDeviceFails()
{
    FakeNetClass net;
    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    QVERIFY(!backend.interfaceProperties(QStringLiteral("eth9")));
    QVERIFY(!backend.media(QStringLiteral("eth9")));
    QCOMPARE(backend.fallbackDefaultInterface(), QStringLiteral("lo"));
    LinuxDiscoveryBackend missing(failingRunner(&calls), net.path() + QStringLiteral("/absent"));
    QVERIFY(!missing.hardwarePorts());
}

void tst_LinuxDiscoveryBackend::routeQueriesRunIpWithAnAddress()
{
    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls));
    QVERIFY(!backend.routeInterface(QStringLiteral("127.0.0.1")));
    QVERIFY(!backend.defaultRouteInterface());
    QCOMPARE(calls.size(), 2);
    QVERIFY(calls.at(0).endsWith(QLatin1String("/ip route get 127.0.0.1")));
    QVERIFY(calls.at(1).endsWith(QLatin1String("/ip route show default")));
    // A name that cannot be resolved never reaches the tool.
    QVERIFY(!backend.routeInterface(QStringLiteral("no-such-host.invalid")));
    QCOMPARE(calls.size(), 2);
}

void tst_LinuxDiscoveryBackend::speedFromActiveMedia()
{
    LinuxDiscoveryBackend backend([](const QString &, const QStringList &, const QString &) { return CommandResult{}; });
    QCOMPARE(backend.speedFromActiveMedia(QStringLiteral("10000 Mbps")),
             std::optional(std::pair{QStringLiteral("10 Gbps"), 10000}));
    QVERIFY(!backend.speedFromActiveMedia(QStringLiteral("unknown")));
    QVERIFY(!backend.speedFromActiveMedia(QStringLiteral("0 Mbps")));
    QVERIFY(!backend.speedFromActiveMedia(QStringLiteral("99999999999 Mbps")));
}

QTEST_GUILESS_MAIN(tst_LinuxDiscoveryBackend)
#include "tst_linuxdiscoverybackend.moc"
