#include "discovery/linkspeed.h"

#include <QtTest>

using namespace trevlamark;

using OperState = InterfaceFacts::OperState;

class tst_LinkSpeed : public QObject
{
    Q_OBJECT
private slots:
    void describe_data();
    void describe();
};

void tst_LinkSpeed::describe_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<OperState>("state");
    QTest::addColumn<int>("reported");  // 0: no speed could be read
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("rawSpeed");
    QTest::addColumn<int>("megabits");  // 0: absent
    QTest::newRow("wifi disconnected") << "Wi-Fi" << OperState::down << 0 << "Wi-Fi (Disconnected)"
                                       << "operstate: down\nspeed: unknown" << 0;
    QTest::newRow("cable out") << "Ethernet" << OperState::lowerLayerDown << -1 << "Not Connected"
                               << "operstate: lowerlayerdown\nspeed: -1" << 0;
    QTest::newRow("not present") << "Virtual" << OperState::notPresent << 0 << "Not Connected"
                                 << "operstate: notpresent\nspeed: unknown" << 0;
    QTest::newRow("wifi connected") << "Wi-Fi" << OperState::up << 866 << "Wi-Fi" << "operstate: up\nspeed: 866" << 0;
    QTest::newRow("gigabit") << "Ethernet" << OperState::up << 1000 << "1 Gbps" << "1000 Mbps" << 1000;
    QTest::newRow("veth") << "Virtual" << OperState::up << 10000 << "10 Gbps" << "10000 Mbps" << 10000;
    QTest::newRow("2.5 gigabit") << "Ethernet" << OperState::up << 2500 << "2.5 Gbps" << "2500 Mbps" << 2500;
    QTest::newRow("fast ethernet") << "Ethernet" << OperState::dormant << 100 << "100 Mbps" << "100 Mbps" << 100;
    QTest::newRow("no speed") << "Ethernet" << OperState::unknown << 0 << "Ethernet" << "unknown" << 0;
    QTest::newRow("speed unknown") << "Loopback" << OperState::up << -1 << "Loopback" << "unknown" << 0;
}

void tst_LinkSpeed::describe()
{
    QFETCH(QString, port);
    QFETCH(OperState, state);
    QFETCH(int, reported);
    QFETCH(int, megabits);
    InterfaceFacts facts;
    facts.operState = state;
    facts.speedMbps = reported ? std::optional<int>(reported) : std::nullopt;
    const SpeedInfo info = LinkSpeed::describe(port, port == LinkSpeed::portName(NetworkDevice::Kind::wifi), facts);
    QTEST(info.speed, "speed");
    QTEST(info.rawSpeed, "rawSpeed");
    QCOMPARE(info.speedMbps, megabits ? std::optional<int>(megabits) : std::nullopt);
}

QTEST_GUILESS_MAIN(tst_LinkSpeed)
#include "tst_linkspeed.moc"
