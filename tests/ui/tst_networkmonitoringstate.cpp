#include "ui/networkmonitoringstate.h"

#include <QTest>

using namespace trevlamark;

class tst_NetworkMonitoringState : public QObject
{
    Q_OBJECT

private slots:
    void fromInterfaceAndShare()
    {
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("tvh0");
        info.speed = QStringLiteral("10 Gbps");
        info.rawSpeed = QStringLiteral("10000");
        info.speedMbps = 10000;
        const NetworkShare share(QUuid::createUuid(), QStringLiteral("10.231.7.2"), QStringLiteral("export"),
                                 QString(), QStringLiteral("/mnt/netshare/nfs"), QStringLiteral("nfs"));
        const NetworkMonitoringState state(info, share, true);
        QCOMPARE(state.networkInterface(), std::optional<QString>(QStringLiteral("tvh0")));
        QCOMPARE(state.networkSpeed(), std::optional<QString>(QStringLiteral("10 Gbps")));
        QCOMPARE(state.networkRawSpeed(), std::optional<QString>(QStringLiteral("10000")));
        QCOMPARE(state.networkMaxSpeedMbps(), std::optional<int>(10000));
        QCOMPARE(state.networkProtocol(), std::optional<QString>(QStringLiteral("NFS")));
        QCOMPARE(state.serverName(), std::optional<QString>(QStringLiteral("10.231.7.2")));
        QCOMPARE(state.shareName(), std::optional<QString>(QStringLiteral("export")));
        QVERIFY(state.isNetworkLocation());
    }

    void wifiShowsWifiWhateverTheSpeedText()
    {
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("wlan0");
        info.speed = QStringLiteral("1 Gbps");
        info.isWifi = true;
        const NetworkMonitoringState state(info, std::nullopt, true);
        QCOMPARE(state.networkSpeed(), std::optional<QString>(QStringLiteral("Wi-Fi")));
        QVERIFY(!state.networkProtocol());
    }

    void localLocationHasNoLinkFacts()
    {
        const NetworkMonitoringState state(std::nullopt, std::nullopt, false);
        QVERIFY(!state.networkInterface());
        QVERIFY(!state.networkSpeed());
        QVERIFY(!state.networkMaxSpeedMbps());
        QVERIFY(!state.serverName());
        QVERIFY(!state.isNetworkLocation());
    }
};

QTEST_GUILESS_MAIN(tst_NetworkMonitoringState)
#include "tst_networkmonitoringstate.moc"
