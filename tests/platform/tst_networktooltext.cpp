#include "platform/networktooltext.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace trevlamark;

namespace {
const char *routeOutput = "   route to: 192.168.1.20\n"
                          "destination: 192.168.1.0\n"
                          "       mask: 255.255.255.0\n"
                          "  interface: en7\n"
                          "      flags: <UP,DONE,CLONING>\n"
                          " recvpipe  sendpipe  ssthresh  rtt,msec    rttvar  hopcount      mtu     expire\n"
                          "       0         0         0         0         0         0      1500         0\n";

const char *portsOutput = "\n"
                          "Hardware Port: Ethernet\n"
                          "Device: en0\n"
                          "Ethernet Address: 3c:22:fb:00:00:01\n"
                          "\n"
                          "Hardware Port: Wi-Fi\r\n"
                          "Device: en1\r\n"
                          "Ethernet Address: 3c:22:fb:00:00:02\r\n"
                          "\n"
                          "Hardware Port: Thunderbolt Bridge\n"
                          "Device: bridge0\n"
                          "Ethernet Address: N/A\n"
                          "\n"
                          "VLAN Configurations\n"
                          "===================\n";

const char *ifconfigOutput = "en0: flags=8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST> mtu 9000\n"
                             "\toptions=50b<RXCSUM,TXCSUM,VLAN_HWTAGGING,AV,CHANNEL_IO>\n"
                             "\tether 3c:22:fb:aa:bb:cc\n"
                             "\tinet 192.168.1.10 netmask 0xffffff00 broadcast 192.168.1.255\n"
                             "\tmedia: autoselect (10Gbase-T <full-duplex>)\n"
                             "\tstatus: active\n";
} // namespace

class tst_NetworkToolText : public QObject
{
    Q_OBJECT
private slots:
    void routeInterface_data();
    void routeInterface();
    void hardwarePorts();
    void hardwarePortOf();
    void mediaActive_data();
    void mediaActive();
    void interfaceConfiguration();
    void interfaceFlags_data();
    void interfaceFlags();
    void speedFromActiveMedia_data();
    void speedFromActiveMedia();
    void randomInputNeverCrashes();
};

void tst_NetworkToolText::routeInterface_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");
    QTest::newRow("route get") << QString::fromLatin1(routeOutput) << "en7";
    QTest::newRow("utun") << "  interface: utun3\r\n" << "utun3";
    QTest::newRow("no interface line") << "route: writing to routing socket: not in table\n" << "";
    QTest::newRow("empty device") << "interface:   \n" << "";
    QTest::newRow("empty") << "" << "";
}

void tst_NetworkToolText::routeInterface()
{
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QCOMPARE(NetworkToolText::parseRouteInterface(output).value_or(QString()), expected);
}

void tst_NetworkToolText::hardwarePorts()
{
    const QList<QPair<QString, QString>> ports = NetworkToolText::parseHardwarePorts(QString::fromLatin1(portsOutput));
    const QList<QPair<QString, QString>> expected = {{QStringLiteral("en0"), QStringLiteral("Ethernet")},
                                                     {QStringLiteral("en1"), QStringLiteral("Wi-Fi")},
                                                     {QStringLiteral("bridge0"), QStringLiteral("Thunderbolt Bridge")}};
    QCOMPARE(ports, expected);
    QVERIFY(NetworkToolText::parseHardwarePorts(QString()).isEmpty());
}

void tst_NetworkToolText::hardwarePortOf()
{
    QCOMPARE(NetworkToolText::hardwarePortOf(QString::fromLatin1(portsOutput), QStringLiteral("en1")),
             QStringLiteral("Wi-Fi"));
    QVERIFY(!NetworkToolText::hardwarePortOf(QString::fromLatin1(portsOutput), QStringLiteral("en9")));
}

void tst_NetworkToolText::mediaActive_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ethernet") << "Current: autoselect\nActive: 1000baseT <full-duplex>\n" << "1000baseT <full-duplex>";
    QTest::newRow("indented ignored") << "  Active: none\n" << "";
    QTest::newRow("none") << "Current: autoselect\nActive: none\n" << "none";
    QTest::newRow("missing") << "Current: autoselect\n" << "";
}

void tst_NetworkToolText::mediaActive()
{
    QFETCH(QString, output);
    QTEST(NetworkToolText::parseMediaActive(output), "expected");
}

void tst_NetworkToolText::interfaceConfiguration()
{
    const ParsedInterfaceInfo info =
        NetworkToolText::parseInterfaceConfiguration(QStringLiteral("en0"), QString::fromLatin1(ifconfigOutput));
    QCOMPARE(info.mtu, std::optional<int>(9000));
    QCOMPARE(info.hardwareAddr, std::optional<QString>(QStringLiteral("3c:22:fb:aa:bb:cc")));
    QCOMPARE(info.mediaInfo, std::optional<QString>(QStringLiteral("media: autoselect (10Gbase-T <full-duplex>)")));
    QVERIFY(!info.flags);  // the flags are not at the start of a line here
    QVERIFY(!info.isVirtual);

    const ParsedInterfaceInfo empty = NetworkToolText::parseInterfaceConfiguration(QStringLiteral("en0"), QString());
    QCOMPARE(empty, ParsedInterfaceInfo{});
    const ParsedInterfaceInfo huge =
        NetworkToolText::parseInterfaceConfiguration(QStringLiteral("en0"), QStringLiteral("mtu 99999999999999"));
    QVERIFY(!huge.mtu);
}

void tst_NetworkToolText::interfaceFlags_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("isVirtual");
    QTest::newRow("utun without flag") << "utun2" << "flags=8051<UP,RUNNING,MULTICAST> mtu 1380" << true;
    QTest::newRow("point to point, doubled T") << "gif0" << "flags=8010<POINTTOPOINT,MULTICAST> mtu 1280" << true;
    QTest::newRow("point to point as printed") << "gif0" << "flags=8010<POINTOPOINT,MULTICAST> mtu 1280" << true;
    QTest::newRow("vpn") << "x0" << "flags=1<UP,VPN>" << true;
    QTest::newRow("bridge name") << "bridge0" << "flags=8863<UP,BROADCAST>" << true;
    QTest::newRow("plain ethernet") << "en0" << "flags=8863<UP,BROADCAST,RUNNING> mtu 1500" << false;
}

void tst_NetworkToolText::interfaceFlags()
{
    QFETCH(QString, device);
    QFETCH(QString, output);
    const ParsedInterfaceInfo info = NetworkToolText::parseInterfaceConfiguration(device, output);
    QTEST(info.isVirtual, "isVirtual");
    QCOMPARE(info.flags, std::optional<QString>(output));
}

void tst_NetworkToolText::speedFromActiveMedia_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("speed");  // empty: no row converts
    QTest::addColumn<int>("megabits");
    QTest::newRow("1000baseT") << "1000baseT <full-duplex>" << "1 Gbps" << 1000;
    QTest::newRow("100baseTX") << "100baseTX <full-duplex>" << "100 Mbps" << 100;
    QTest::newRow("10GBase-T") << "10GBase-T <full-duplex>" << "10 Gbps" << 10000;
    QTest::newRow("10Gbase-T") << "10Gbase-T" << "10 Gbps" << 10000;
    QTest::newRow("2500Base-T") << "2500Base-T <full-duplex>" << "" << 0;
    QTest::newRow("2500 Mbps") << "2500 Mbps" << "2.5 Gbps" << 2500;
    QTest::newRow("100 Mbps") << "100 Mbps" << "100 Mbps" << 100;
    QTest::newRow("too large") << "99999999999baseT" << "" << 0;
    QTest::newRow("gigabit overflow") << "9999999GBase" << "" << 0;
    QTest::newRow("autoselect") << "autoselect" << "" << 0;
}

void tst_NetworkToolText::speedFromActiveMedia()
{
    QFETCH(QString, active);
    QFETCH(QString, speed);
    QFETCH(int, megabits);
    const auto converted = NetworkToolText::speedFromActiveMedia(active);
    if (speed.isEmpty()) {
        QVERIFY(!converted);
        return;
    }
    QVERIFY(converted);
    QCOMPARE(converted->first, speed);
    QCOMPARE(converted->second, megabits);
}

void tst_NetworkToolText::randomInputNeverCrashes()
{
    QRandomGenerator generator(11);
    const QString alphabet = QStringLiteral(" \t\r\n:=09Gg BbaseTMbpsinterfaceHardwarePortDevice:Activemtuflags=ether f");
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(generator.bounded(80));
        for (int i = 0; i < length; ++i)
            text += alphabet.at(int(generator.bounded(int(alphabet.size()))));
        if (const std::optional<QString> device = NetworkToolText::parseRouteInterface(text))
            QVERIFY(!device->isEmpty());
        NetworkToolText::parseHardwarePorts(text);
        NetworkToolText::hardwarePortOf(text, QStringLiteral("en0"));
        NetworkToolText::parseMediaActive(text);
        const ParsedInterfaceInfo info = NetworkToolText::parseInterfaceConfiguration(text, text);
        if (info.mtu)
            QVERIFY(*info.mtu >= 0);
        if (const auto speed = NetworkToolText::speedFromActiveMedia(text))
            QVERIFY(speed->second >= 0);
    }
}

QTEST_GUILESS_MAIN(tst_NetworkToolText)
#include "tst_networktooltext.moc"
