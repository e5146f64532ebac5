#include "ui/gauges/gaugegeometry.h"

#include <QTest>
#include <limits>

using namespace trevlamark;
using Unit = GaugeGeometry::ByteSizeUnit;

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

    void totalTargetBytes()
    {
        const quint64 b = 1073741824;
        QCOMPARE(GaugeGeometry::totalTargetBytes(b, 3, true, true), 2 * b * 3);
        // A read-only test writes its files once first.
        QCOMPARE(GaugeGeometry::totalTargetBytes(b, 3, false, true), b * 3 + b);
        QCOMPARE(GaugeGeometry::totalTargetBytes(std::numeric_limits<quint64>::max() / 3, 3, true, true),
                 std::numeric_limits<quint64>::max());
    }

    void customBytes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Unit>("unit");
        QTest::addColumn<quint64>("bytes"); // 0: refused
        QTest::newRow("letters and digits") << "a1b2c" << Unit::GB << quint64(12) * 1073741824;
        QTest::newRow("product overflows") << "16777216" << Unit::TB << quint64(0);
        QTest::newRow("largest that fits") << "16777215" << Unit::TB << quint64(16777215) * 1099511627776ULL;
        QTest::newRow("number overflows") << "99999999999999999999999" << Unit::MB << quint64(0);
    }
    void customBytes()
    {
        QFETCH(QString, typed);
        QFETCH(Unit, unit);
        QFETCH(quint64, bytes);
        QCOMPARE(GaugeGeometry::customBytes(GaugeGeometry::digitsOnly(typed), unit).value_or(0), bytes);
    }
};

QTEST_MAIN(tst_GaugeGeometry)
#include "tst_gaugegeometry.moc"
