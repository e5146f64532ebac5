#include "platform/linuxdiscoverybackend.h"

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
    QString path() const { return m_directory.path(); }
    void write(const QString &device, const QString &attribute, const QByteArray &value)
    {
        const QString file = m_directory.filePath(device + QLatin1Char('/') + attribute);
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(value);
    }
    void makeDirectory(const QString &device, const QString &entry)
    {
        QDir().mkpath(m_directory.filePath(device + QLatin1Char('/') + entry));
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
    void shareTreesAreOneVolumePerShare();
    void sysfsFacts();
    void missingDeviceFails();
    void routeQueriesRunIpWithAnAddress();
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
    QTEST(LinuxDiscoveryBackend::parseRouteDevice(output).value_or(QString()), "expected");
}

void tst_LinuxDiscoveryBackend::shareTreesAreOneVolumePerShare()
{
    // smbnetfs trees are covered against a real server (tests/netshare); GVfs here.
    MountEntry gvfs;
    gvfs.mountPoint = QStringLiteral("/run/user/1000/gvfs");
    gvfs.filesystemType = QStringLiteral("fuse.gvfsd-fuse");
    const QList<MountedVolume> volumes = LinuxDiscoveryBackend::volumesOf(
        gvfs, {QStringLiteral("smb-share:server=nas,share=media"), QStringLiteral("mtp:host=Phone")},
        [](const QString &) { return QStringList(); });
    QCOMPARE(volumes.size(), 1);
    QCOMPARE(volumes.first().path, QStringLiteral("/run/user/1000/gvfs/smb-share:server=nas,share=media"));
    QVERIFY(!volumes.first().isLocal);
    QCOMPARE(volumes.first().remountUrl, std::optional<QString>(QStringLiteral("smb://nas/media")));
}

void tst_LinuxDiscoveryBackend::sysfsFacts()
{
    FakeNetClass net;
    net.write(QStringLiteral("eth0"), QStringLiteral("flags"), "0x1003\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("mtu"), "9000\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("type"), "1\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("address"), "02:fc:00:00:00:01\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("operstate"), "up\n");
    net.write(QStringLiteral("eth0"), QStringLiteral("speed"), "2500\n");
    net.makeDirectory(QStringLiteral("eth0"), QStringLiteral("device"));
    net.makeDirectory(QStringLiteral("wlan0"), QStringLiteral("wireless"));
    net.makeDirectory(QStringLiteral("wlan0"), QStringLiteral("device"));
    net.write(QStringLiteral("ppp0"), QStringLiteral("flags"), "0x1091\n");
    net.write(QStringLiteral("ppp0"), QStringLiteral("operstate"), "lowerlayerdown\n");
    net.write(QStringLiteral("veth1"), QStringLiteral("flags"), "0x1003\n");
    net.write(QStringLiteral("veth1"), QStringLiteral("type"), "1\n");  // Ethernet framing, no hardware
    net.makeDirectory(QStringLiteral("br0"), QStringLiteral("bridge"));
    net.makeDirectory(QStringLiteral("lo"), QStringLiteral("statistics"));

    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    const QList<NetworkDevice> expected = {{QStringLiteral("br0"), NetworkDevice::Kind::bridge, false},
                                           {QStringLiteral("eth0"), NetworkDevice::Kind::ethernet, true},
                                           {QStringLiteral("lo"), NetworkDevice::Kind::loopback, false},
                                           {QStringLiteral("ppp0"), NetworkDevice::Kind::virtualDevice, false},
                                           {QStringLiteral("veth1"), NetworkDevice::Kind::virtualDevice, false},
                                           {QStringLiteral("wlan0"), NetworkDevice::Kind::wifi, true}};
    QCOMPARE(backend.devices(), std::optional(expected));

    const std::optional<InterfaceFacts> eth0 = backend.interfaceFacts(QStringLiteral("eth0"));
    QVERIFY(eth0);
    QCOMPARE(eth0->mtu, std::optional<int>(9000));
    QCOMPARE(eth0->flags, 0x1003u);
    QCOMPARE(eth0->hardwareAddress, std::optional<QString>(QStringLiteral("02:fc:00:00:00:01")));
    QCOMPARE(eth0->operState, InterfaceFacts::OperState::up);
    QCOMPARE(eth0->speedMbps, std::optional<int>(2500));
    QVERIFY(!eth0->isVirtual() && !eth0->isLinkDown());
    const std::optional<InterfaceFacts> ppp0 = backend.interfaceFacts(QStringLiteral("ppp0"));
    QVERIFY(ppp0 && ppp0->isVirtual());  // point to point
    QVERIFY(ppp0->isLinkDown());
    QVERIFY(!ppp0->speedMbps && !ppp0->mtu);
    QVERIFY(backend.interfaceFacts(QStringLiteral("veth1"))->isVirtual());  // by its name
    QCOMPARE(backend.fallbackDefaultInterface(), QStringLiteral("eth0"));
    QVERIFY(calls.isEmpty());
}

void tst_LinuxDiscoveryBackend::missingDeviceFails()
{
    FakeNetClass net;
    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    QVERIFY(!backend.interfaceFacts(QStringLiteral("eth9")));
    QVERIFY(!backend.interfaceFacts(QStringLiteral("../eth0")));
    QCOMPARE(backend.fallbackDefaultInterface(), QStringLiteral("lo"));
    LinuxDiscoveryBackend missing(failingRunner(&calls), net.path() + QStringLiteral("/absent"));
    QVERIFY(!missing.devices());
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

QTEST_GUILESS_MAIN(tst_LinuxDiscoveryBackend)
#include "tst_linuxdiscoverybackend.moc"
