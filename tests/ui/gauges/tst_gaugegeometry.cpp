#include "ui/gauges/gaugegeometry.h"

#include <QTest>
#include <algorithm>
#include <cmath>
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

    // What a moving arc repaints must hold every point of the ring it passed
    // over, and stay a small part of the dial for a small move.
    void arcSpanBounds_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("widestPx");
        QTest::newRow("small move at the top") << 0.01 << 0.02 << 20.0;
        QTest::newRow("small move back past three o'clock") << 0.26 << 0.24 << 30.0;
        QTest::newRow("across a quarter") << 0.2 << 0.55 << 130.0;
        QTest::newRow("empty to full") << 0.0 << 1.0 << 200.0;
        QTest::newRow("beyond the ends") << -0.5 << 1.5 << 200.0;
    }
    void arcSpanBounds()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, widestPx);
        const QRectF ring(10, 10, 180, 180);
        const QRectF bounds = GaugeGeometry::arcSpanBounds(ring, from, to, 6);
        QVERIFY(std::max(bounds.width(), bounds.height()) <= widestPx);
        const double low = std::clamp(std::min(from, to), 0.0, 1.0);
        const double high = std::clamp(std::max(from, to), 0.0, 1.0);
        for (int step = 0; step <= 1000; ++step) {
            const double angle = (low + (high - low) * step / 1000.0) * 2 * M_PI;
            const QPointF point(100 + 90 * std::sin(angle), 100 - 90 * std::cos(angle));
            // The pen's half width, 4 px, must fit inside on every side.
            QVERIFY2(bounds.adjusted(4, 4, -4, -4).contains(point),
                     qPrintable(QStringLiteral("%1,%2 outside").arg(point.x()).arg(point.y())));
        }
    }
};

QTEST_MAIN(tst_GaugeGeometry)
#include "tst_gaugegeometry.moc"
