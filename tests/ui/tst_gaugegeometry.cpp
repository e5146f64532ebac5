#include "ui/gaugegeometry.h"

#include <QTest>
#include <limits>

using namespace trevlamark;
using Unit = GaugeGeometry::ByteSizeUnit;

namespace {

std::optional<int> optionalInt(int value)
{
    return value > 0 ? std::optional<int>(value) : std::nullopt;
}

TestData point(int msecs, const QString &operation, int phaseId, double throughput)
{
    TestData p;
    p.timestamp = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + msecs, Qt::UTC);
    p.operation = operation;
    p.phaseId = phaseId;
    p.throughput = throughput;
    return p;
}

} // namespace

class tst_GaugeGeometry : public QObject
{
    Q_OBJECT
private slots:
    void scale_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("mtu");
        QTest::addColumn<double>("dynamicMax");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("percent");

        QTest::newRow("10G jumbo, 622 MB/s") << 622.0 << 10000 << 9000 << 0.0 << 622.0 / (1250.0 * 8960 / 9000)
                                             << 49;
        QTest::newRow("10G unknown MTU") << 1216.0 << 10000 << 0 << 0.0 << 1216.0 / (1250.0 * 1460 / 1500) << 99;
        QTest::newRow("over the link") << 5000.0 << 1000 << 1500 << 0.0 << 1.0 << 100;
        QTest::newRow("no link, no maximum") << 100.0 << 0 << 0 << 0.0 << 0.5 << -1;
        QTest::newRow("no link, dynamic maximum") << 100.0 << 0 << 0 << 400.0 << 0.25 << -1;
        QTest::newRow("impossible MTU counts as 1500") << 1216.0 << 10000 << 20 << 0.0
                                                       << 1216.0 / (1250.0 * 1460 / 1500) << 99;
    }
    void scale()
    {
        QFETCH(double, value);
        QFETCH(int, link);
        QFETCH(int, mtu);
        QFETCH(double, dynamicMax);
        QFETCH(double, fraction);
        QFETCH(int, percent);
        const std::optional<double> maximum = dynamicMax > 0 ? std::optional<double>(dynamicMax) : std::nullopt;
        QCOMPARE(GaugeGeometry::fraction(value, optionalInt(link), optionalInt(mtu), maximum), fraction);
        const std::optional<int> expected = percent >= 0 ? std::optional<int>(percent) : std::nullopt;
        QCOMPARE(GaugeGeometry::percentOfMax(value, optionalInt(link), optionalInt(mtu)), expected);
    }

    void usableRate()
    {
        QCOMPARE(GaugeGeometry::usableRateMBps(10000, 9000), 1250.0 * 8960 / 9000);
        QCOMPARE(GaugeGeometry::usableRateMBps(10000, std::nullopt), 1250.0 * 1460 / 1500);
        QCOMPARE(GaugeGeometry::percentText(49), QStringLiteral("49% OF MAX"));
    }

    void gaugeValue()
    {
        const QList<TestData> chart{point(0, "write", 1, 100), point(100, "write", 1, 100),
                                    point(200, "read", 2, 80), point(1000, "write", 3, 300),
                                    point(1100, "write", 3, 500)};
        int window = 1;
        QCOMPARE(GaugeGeometry::gaugeValue(chart, "Write", false, 7, window), 500.0);
        QCOMPARE(GaugeGeometry::gaugeValue(chart, "Read", false, 7, window), 80.0);
        QCOMPARE(GaugeGeometry::gaugeValue(chart, "Write", true, 7, window), 7.0);
        QCOMPARE(GaugeGeometry::gaugeValue({}, "Write", false, 7, window), 7.0);
        QCOMPARE(GaugeGeometry::gaugeValue({point(0, "read", 1, 5)}, "Write", false, 7, window), 0.0);
    }

    void totalTargetBytes_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("read");
        QTest::addColumn<quint64>("expected");
        const quint64 b = 1073741824;
        QTest::newRow("both") << true << true << 2 * b * 3;
        QTest::newRow("write only") << true << false << b * 3;
        QTest::newRow("read only writes once first") << false << true << b * 3 + b;
        QTest::newRow("neither") << false << false << 2 * b * 3;
    }
    void totalTargetBytes()
    {
        QFETCH(bool, write);
        QFETCH(bool, read);
        QFETCH(quint64, expected);
        QCOMPARE(GaugeGeometry::totalTargetBytes(1073741824, 3, write, read), expected);
    }

    void totalTargetBytesSaturates()
    {
        const quint64 huge = std::numeric_limits<quint64>::max() / 3;
        QCOMPARE(GaugeGeometry::totalTargetBytes(huge, 2, true, true), std::numeric_limits<quint64>::max());
    }

    void elapsed_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "00:00";
        QTest::newRow("2:05") << 125.0 << "02:05";
        QTest::newRow("fraction dropped") << 125.9 << "02:05";
        QTest::newRow("59:59") << 3599.0 << "59:59";
        QTest::newRow("one hour") << 3600.0 << "01:00:00";
        QTest::newRow("long") << 36000.0 + 62 << "10:01:02";
    }
    void elapsed()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(GaugeGeometry::elapsedTimeText(seconds), text);
    }

    void elapsedVisibility()
    {
        QVERIFY(GaugeGeometry::isElapsedTimeShown(true, 0));
        QVERIFY(GaugeGeometry::isElapsedTimeShown(false, 1));
        QVERIFY(!GaugeGeometry::isElapsedTimeShown(false, 0));
    }

    void button_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("stopping");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("text");
        QTest::addColumn<GaugeGeometry::ButtonColor>("color");
        QTest::newRow("idle ready") << false << false << true << true << "Start" << GaugeGeometry::ButtonColor::Cool;
        QTest::newRow("idle, both phases off") << false << false << false << false << "Start"
                                               << GaugeGeometry::ButtonColor::Gray;
        QTest::newRow("running") << true << false << true << false << "Stop" << GaugeGeometry::ButtonColor::Warm;
        QTest::newRow("stopping") << true << true << true << true << "Stopping" << GaugeGeometry::ButtonColor::Gray;
    }
    void button()
    {
        QFETCH(bool, running);
        QFETCH(bool, stopping);
        QFETCH(bool, write);
        QFETCH(bool, read);
        QFETCH(QString, text);
        QFETCH(GaugeGeometry::ButtonColor, color);
        QCOMPARE(GaugeGeometry::startStopText(running, stopping), text);
        QCOMPARE(GaugeGeometry::startStopColor(running, stopping, write, read), color);
    }

    void customBytes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Unit>("unit");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<quint64>("bytes");
        QTest::newRow("letters and digits") << "a1b2c" << Unit::GB << true << quint64(12) * 1073741824;
        QTest::newRow("megabytes") << "300" << Unit::MB << true << quint64(300) * 1048576;
        QTest::newRow("empty") << "abc" << Unit::GB << false << quint64(0);
        QTest::newRow("zero") << "0" << Unit::TB << false << quint64(0);
        QTest::newRow("product overflows") << "16777216" << Unit::TB << false << quint64(0);
        QTest::newRow("largest that fits") << "16777215" << Unit::TB << true
                                           << quint64(16777215) * 1099511627776ULL;
        QTest::newRow("number overflows") << "99999999999999999999999" << Unit::MB << false << quint64(0);
    }
    void customBytes()
    {
        QFETCH(QString, typed);
        QFETCH(Unit, unit);
        QFETCH(bool, accepted);
        QFETCH(quint64, bytes);
        const auto result = GaugeGeometry::customBytes(GaugeGeometry::digitsOnly(typed), unit);
        QCOMPARE(result.has_value(), accepted);
        if (accepted)
            QCOMPARE(*result, bytes);
    }

    void digits()
    {
        QCOMPARE(GaugeGeometry::digitsOnly(QStringLiteral("x1-2 .3٣")), QStringLiteral("123"));
    }
};

QTEST_MAIN(tst_GaugeGeometry)
#include "tst_gaugegeometry.moc"
