#include "ui/gauges/gaugegeometry.h"

#include <QTest>
#include <limits>

using namespace trevlamark;

namespace {

std::optional<int> optionalInt(int value)
{
    return value > 0 ? std::optional<int>(value) : std::nullopt;
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
        QTest::newRow("10G jumbo, 622 MB/s") << 622.0 << 10000 << 9000 << 0.0 << 622.0 / (1250.0 * 8960 / 9000) << 49;
        QTest::newRow("impossible MTU counts as 1500") << 1216.0 << 10000 << 20 << 0.0
                                                       << 1216.0 / (1250.0 * 1460 / 1500) << 99;
        QTest::newRow("over the link") << 5000.0 << 1000 << 1500 << 0.0 << 1.0 << 100;
        QTest::newRow("no link, no maximum") << 100.0 << 0 << 0 << 0.0 << 0.5 << -1;
        QTest::newRow("no link, dynamic maximum") << 100.0 << 0 << 0 << 400.0 << 0.25 << -1;
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
};

QTEST_MAIN(tst_GaugeGeometry)
#include "tst_gaugegeometry.moc"
