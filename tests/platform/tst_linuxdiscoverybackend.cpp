#include "platform/linuxdiscoverybackend.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void realDevicesInANamespace();
    void missingDeviceFails();
    void routeQueriesRunIpWithAnAddress();
    void silentNameServerIsNotWaitedFor();
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
    // VLANs on a bond of ports and on a veth: only the first reports a speed from a link.
    net.makeDirectory(QStringLiteral("bond0"), QStringLiteral("bonding"));
    net.makeDirectory(QStringLiteral("bond0"), QStringLiteral("lower_eth0"));
    for (const QString &vlan : {QStringLiteral("bond0.8"), QStringLiteral("veth1.9")}) {
        net.write(vlan, QStringLiteral("uevent"), "DEVTYPE=vlan\n");
        net.write(vlan, QStringLiteral("flags"), "0x1002\n");
        net.write(vlan, QStringLiteral("speed"), "10000\n");
        net.makeDirectory(vlan, QStringLiteral("lower_") + vlan.section(QLatin1Char('.'), 0, 0));
    }
    net.write(QStringLiteral("wg0"), QStringLiteral("uevent"), "DEVTYPE=wireguard\n");

    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), net.path());
    const QList<NetworkDevice> expected = {{QStringLiteral("bond0"), NetworkDevice::Kind::bond},
                                           {QStringLiteral("bond0.8"), NetworkDevice::Kind::vlan},
                                           {QStringLiteral("br0"), NetworkDevice::Kind::bridge},
                                           {QStringLiteral("eth0"), NetworkDevice::Kind::ethernet},
                                           {QStringLiteral("lo"), NetworkDevice::Kind::loopback},
                                           {QStringLiteral("ppp0"), NetworkDevice::Kind::vpn},
                                           {QStringLiteral("veth1"), NetworkDevice::Kind::virtualDevice},
                                           {QStringLiteral("veth1.9"), NetworkDevice::Kind::vlan},
                                           {QStringLiteral("wg0"), NetworkDevice::Kind::vpn},
                                           {QStringLiteral("wlan0"), NetworkDevice::Kind::wifi}};
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
    QVERIFY(backend.interfaceFacts(QStringLiteral("veth1"))->isVirtual());
    QVERIFY(!backend.interfaceFacts(QStringLiteral("bond0.8"))->isVirtual());
    QVERIFY(backend.interfaceFacts(QStringLiteral("veth1.9"))->isVirtual());
    QCOMPARE(backend.fallbackDefaultInterface(), QStringLiteral("eth0"));
    QVERIFY(calls.isEmpty());
}

void tst_LinuxDiscoveryBackend::realDevicesInANamespace()
{
    if (::geteuid() != 0)
        QSKIP("making network devices needs root");
    const QString space = QStringLiteral("tvldevices");
    const auto ip = [&space](const QString &command) {
        return QProcess::execute(QStringLiteral("ip"), QStringList{QStringLiteral("-n"), space}
                                                           + command.split(QLatin1Char(' ')));
    };
    if (QFileInfo::exists(QStringLiteral("/run/netns/") + space))
        QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), space});
    QCOMPARE(QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), space}), 0);
    // A sysfs mounted from inside the namespace shows its devices.
    QTemporaryDir sysfs;
    const bool ready = ip(QStringLiteral("link add tvl0 type veth peer name tvl1")) == 0
        && ip(QStringLiteral("link add tvlbr0 type bridge")) == 0 && ip(QStringLiteral("link set tvl0 master tvlbr0")) == 0
        && ip(QStringLiteral("tuntap add mode tun name tvltun0")) == 0
        && ip(QStringLiteral("tuntap add mode tap name tvltap0")) == 0
        && QProcess::execute(QStringLiteral("nsenter"), {QStringLiteral("--net=/run/netns/") + space,
                                                         QStringLiteral("mount"), QStringLiteral("-t"),
                                                         QStringLiteral("sysfs"), QStringLiteral("sysfs"), sysfs.path()})
            == 0;
    QStringList calls;
    LinuxDiscoveryBackend backend(failingRunner(&calls), sysfs.filePath(QStringLiteral("class/net")));
    const std::optional<QList<NetworkDevice>> devices = backend.devices();
    QList<bool> virtualFlags;
    for (const QString &device : {QStringLiteral("tvl1"), QStringLiteral("tvlbr0"), QStringLiteral("tvltun0"),
                                  QStringLiteral("tvltap0")})
        virtualFlags.append(backend.interfaceFacts(device).value_or(InterfaceFacts()).isVirtual());
    QProcess::execute(QStringLiteral("umount"), {sysfs.path()});
    QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), space});
    QVERIFY(ready);
    const QList<NetworkDevice> expected = {{QStringLiteral("lo"), NetworkDevice::Kind::loopback},
                                           {QStringLiteral("tvl0"), NetworkDevice::Kind::virtualDevice},
                                           {QStringLiteral("tvl1"), NetworkDevice::Kind::virtualDevice},
                                           {QStringLiteral("tvlbr0"), NetworkDevice::Kind::bridge},
                                           {QStringLiteral("tvltap0"), NetworkDevice::Kind::virtualDevice},
                                           {QStringLiteral("tvltun0"), NetworkDevice::Kind::vpn}};
    QCOMPARE(devices, std::optional(expected));
    QCOMPARE(virtualFlags, QList<bool>(4, true));
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

void tst_LinuxDiscoveryBackend::silentNameServerIsNotWaitedFor()
{
    if (::geteuid() != 0)
        QSKIP("a mount namespace of the test's own needs root");
#if defined(__SANITIZE_THREAD__)
    // The lookup starts a thread in a child forked from a process with threads,
    // which ThreadSanitizer does not support (it ends such a child with 66).
    QSKIP("ThreadSanitizer cannot follow threads started after fork");
#endif
    // A name server on a loopback address that takes every query and never answers.
    const int server = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(53), {htonl(0x7f000057)}, {}};  // 127.0.0.87
    QVERIFY(::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
    QTemporaryDir folder;
    QFile resolvConf(folder.filePath(QStringLiteral("resolv.conf")));
    QVERIFY(resolvConf.open(QIODevice::WriteOnly) && resolvConf.write("nameserver 127.0.0.87\n") > 0);
    resolvConf.close();
    const QByteArray resolvConfPath = QFile::encodeName(resolvConf.fileName());
    // The lookup runs in a child whose private mount namespace shows it that name server alone.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount(resolvConfPath.constData(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
            ::_exit(2);
        QStringList calls;
        QElapsedTimer timer;
        timer.start();
        const bool found = LinuxDiscoveryBackend(failingRunner(&calls)).routeInterface("silent.trevlamark.test").has_value();
        // 3: an answer or a tool run; 4: it waited for the resolver's own time-outs (10 s).
        ::_exit(found || !calls.isEmpty() ? 3 : timer.elapsed() < 5000 ? 0 : 4);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    char query[512];
    const ssize_t asked = ::recv(server, query, sizeof query, MSG_DONTWAIT);
    ::close(server);
    QVERIFY(asked > 0);
    QCOMPARE(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

QTEST_GUILESS_MAIN(tst_LinuxDiscoveryBackend)
#include "tst_linuxdiscoverybackend.moc"
