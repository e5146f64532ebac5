#include "monitor/networkinterfacemonitor.h"

#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <memory>

using namespace trevlamark;

namespace {

NetworkTrafficSample baseline(quint64 bytesIn, quint64 bytesOut, const QDateTime &when)
{
    NetworkTrafficSample sample;
    sample.timestamp = when;
    sample.bytesIn = bytesIn;
    sample.bytesOut = bytesOut;
    return sample;
}

// Counters that grow by a fixed step each time they are read.
NetworkInterfaceMonitor::CounterReader growingCounters(quint64 stepBytes)
{
    auto total = std::make_shared<std::atomic<quint64>>(0);
    return [total, stepBytes](const QString &) {
        const quint64 value = total->fetch_add(stepBytes) + stepBytes;
        return std::optional(InterfaceCounters{value, value * 2});
    };
}

} // namespace

class tst_NetworkInterfaceMonitor : public QObject
{
    Q_OBJECT
private slots:
    void counterDelta_data();
    void counterDelta();
    void nextSample_data();
    void nextSample();
    void samplesArriveAndStopClears();
    void restartAndNewSettings();
    void recoveryAfterFiveTimeouts();
};

void tst_NetworkInterfaceMonitor::counterDelta_data()
{
    QTest::addColumn<quint64>("previous");
    QTest::addColumn<quint64>("current");
    QTest::addColumn<quint64>("delta");
    QTest::newRow("forward") << quint64(1000) << quint64(5000) << quint64(4000);
    QTest::newRow("unchanged") << quint64(7) << quint64(7) << quint64(0);
    // A fall from just below 4 GiB is a reset (a recreated device), not a 32-bit wrap of ~950 MB.
    QTest::newRow("reset below 4 GiB") << quint64(3300000000ULL) << quint64(1000) << quint64(1000);
    QTest::newRow("reset") << quint64(3000000000ULL) << quint64(500) << quint64(500);
}

void tst_NetworkInterfaceMonitor::counterDelta()
{
    QFETCH(quint64, previous);
    QFETCH(quint64, current);
    QTEST(NetworkInterfaceMonitor::counterDelta(previous, current), "delta");
}

void tst_NetworkInterfaceMonitor::nextSample_data()
{
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<quint64>("bytesIn");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("isVirtual");
    QTest::addColumn<double>("inbound");  // negative: no sample
    QTest::addColumn<double>("outbound");
    const quint64 twoMiB = 2097152;
    QTest::newRow("same instant") << 0 << twoMiB << "eth0" << false << -1.0 << 0.0;
    QTest::newRow("one millisecond") << 1 << twoMiB << "eth0" << false << -1.0 << 0.0;
    QTest::newRow("half a second") << 500 << twoMiB << "eth0" << false << 4.0 << 4.0;
    QTest::newRow("capped") << 1000 << (quint64(1) << 50) << "eth0" << false << NetworkInterfaceMonitor::maxThroughput
                            << 2.0;
    QTest::newRow("virtual bridge") << 1000 << twoMiB << "bridge0" << true << 2.0 << 1.0;
    QTest::newRow("physical bridge name") << 1000 << twoMiB << "bridge0" << false << 2.0 << 2.0;
    QTest::newRow("virtual other") << 1000 << twoMiB << "tun0" << true << 2.0 << 2.0;
}

void tst_NetworkInterfaceMonitor::nextSample()
{
    QFETCH(int, elapsedMs);
    QFETCH(quint64, bytesIn);
    QFETCH(QString, device);
    QFETCH(bool, isVirtual);
    QFETCH(double, inbound);
    const QDateTime start = QDateTime::currentDateTimeUtc();
    const auto sample = NetworkInterfaceMonitor::nextSample(baseline(0, 0, start), {bytesIn, 2097152},
                                                            start.addMSecs(elapsedMs), isVirtual, device);
    QCOMPARE(sample.has_value(), inbound >= 0);
    if (!sample)
        return;
    QCOMPARE(sample->throughputIn, inbound);
    QTEST(sample->throughputOut, "outbound");
    QCOMPARE(sample->bytesIn, bytesIn);
    QCOMPARE(sample->isVirtualInterface, isVirtual);
}

void tst_NetworkInterfaceMonitor::samplesArriveAndStopClears()
{
    NetworkInterfaceMonitor monitor(nullptr, 0.05, 60, growingCounters(1048576));
    QSignalSpy monitoring(&monitor, &NetworkInterfaceMonitor::isMonitoringChanged);
    monitor.startMonitoring(QStringLiteral("bridge1"));
    QVERIFY(monitor.isMonitoring());
    QCOMPARE(monitoring.count(), 1);
    QVERIFY(monitor.isCurrentInterfaceVirtual());  // no share manager: judged by its name
    QTRY_VERIFY(monitor.trafficSamples().size() >= 3);
    QVERIFY(monitor.currentThroughputIn() > 0);
    // Outbound grows twice as fast but is halved on a virtual bridge.
    const NetworkTrafficSample last = monitor.trafficSamples().last();
    QCOMPARE(last.throughputOut, last.throughputIn);
    QCOMPARE(monitor.consecutiveTimeouts(), 0);

    monitor.stopMonitoring();
    QVERIFY(!monitor.isMonitoring());
    QVERIFY(monitor.trafficSamples().isEmpty());
    QCOMPARE(monitor.currentThroughputIn(), 0.0);
    QCOMPARE(monitor.currentInterfaceID(), std::optional<QString>(QStringLiteral("bridge1")));
}

void tst_NetworkInterfaceMonitor::restartAndNewSettings()
{
    NetworkInterfaceMonitor monitor(nullptr, 10.0, 60, growingCounters(100));
    monitor.startMonitoring(QStringLiteral("eth0"));
    monitor.restartMonitoring(QStringLiteral("eth0"));
    QCOMPARE(monitor.trafficSamples().size(), 1);  // a restart begins with a zero sample
    QCOMPARE(monitor.trafficSamples().first().bytesIn, quint64(0));
    QVERIFY(monitor.isMonitoring());
    // New settings keep the history and go on sampling; values that cannot be intervals are ignored.
    monitor.updateSettings(0.05, 120);
    QCOMPARE(monitor.samplingInterval(), 0.05);
    QCOMPARE(monitor.historyDuration(), 120.0);
    QVERIFY(monitor.isMonitoring());
    QTRY_VERIFY(monitor.trafficSamples().size() > 1);
    monitor.updateSettings(0.0, -1);
    QCOMPARE(monitor.samplingInterval(), 0.05);
    QCOMPARE(monitor.historyDuration(), 120.0);
    // One hour of samples at most.
    QCOMPARE(NetworkInterfaceMonitor::historyCap(7.0), qsizetype(515));
}

void tst_NetworkInterfaceMonitor::recoveryAfterFiveTimeouts()
{
    // A device whose counters can never be read delivers no sample, so every tick times out.
    auto reads = std::make_shared<std::atomic<int>>(0);
    NetworkInterfaceMonitor monitor(nullptr, 0.2, 60, [reads](const QString &) {
        reads->fetch_add(1);
        return std::optional<InterfaceCounters>();
    });
    QSignalSpy monitoring(&monitor, &NetworkInterfaceMonitor::isMonitoringChanged);
    monitor.startMonitoring(QStringLiteral("eth0"));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.consecutiveTimeouts(), 4, 10000);
    // The fifth overrun stops and starts again: isMonitoring goes false, then true.
    QTRY_VERIFY_WITH_TIMEOUT(monitoring.count() >= 3, 10000);
    QCOMPARE(monitoring.at(1).first().toBool(), false);
    QCOMPARE(monitoring.at(2).first().toBool(), true);
    QVERIFY(monitor.consecutiveTimeouts() <= 1);
    QVERIFY(monitor.trafficSamples().isEmpty());
    monitor.stopMonitoring();
}

QTEST_GUILESS_MAIN(tst_NetworkInterfaceMonitor)
#include "tst_networkinterfacemonitor.moc"
