#include "ui/charts/chartgeometry.h"
#include "ui/charts/trafficgeometry.h"

#include <QTest>

using namespace trevlamark;
using Half = ChartGeometry::Half;
using Points = QList<QPointF>;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

QDateTime at(double secondsBefore)
{
    return reference.addMSecs(-static_cast<qint64>(secondsBefore * 1000));
}

TestData point(double secondsBefore, double throughput, int phaseId = 1, const char *operation = "write")
{
    return {QUuid::createUuid(), at(secondsBefore), QString::fromLatin1(operation), throughput, 0, phaseId};
}

// One phase, 0.1 s apart.
QList<TestData> series(const QList<double> &values)
{
    QList<TestData> points;
    for (qsizetype i = 0; i < values.size(); ++i)
        points.append(point(60 - i * 0.1, values.at(i)));
    return points;
}

NetworkTrafficSample sample(double secondsBefore, double in, double out)
{
    return {QUuid(), at(secondsBefore), 0, 0, false, in, out};
}

// 600 wide, centre line at 100, 100 MB/s at full height, the last 60 s.
ChartGeometry::Frame frame()
{
    return {600, 100, 100, 60, reference};
}

Points elements(const QPainterPath &path)
{
    Points points;
    for (int i = 0; i < path.elementCount(); ++i)
        points.append(path.elementAt(i));
    return points;
}

} // namespace

class tst_ChartGeometry : public QObject
{
    Q_OBJECT
private slots:
    void smoothing_data()
    {
        QTest::addColumn<QList<double>>("input");
        QTest::addColumn<int>("windowBefore");
        QTest::addColumn<int>("windowAfter");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("window 2 averages pairs") << QList<double>{10, 20, 30} << 2 << 2 << QList<double>{10, 15, 25};
        QTest::newRow("three leading zeros widen to 4 and take the first level")
            << QList<double>{0, 0, 0, 40, 40} << 1 << 4 << QList<double>{10, 10, 10, 10, 20};
        QTest::newRow("window never narrows") << QList<double>{0, 30, 30} << 5 << 5 << QList<double>{15, 15, 20};
    }
    void smoothing()
    {
        QFETCH(QList<double>, input);
        QFETCH(int, windowBefore);
        QFETCH(int, windowAfter);
        QFETCH(QList<double>, expected);
        int window = windowBefore;
        const QList<TestData> smoothed = ChartGeometry::smoothPhase(series(input), window);
        QCOMPARE(window, windowAfter);
        QList<double> values;
        for (const TestData &p : smoothed)
            values.append(p.throughput);
        QCOMPARE(values, expected);
    }

    void dynamicMaxY_data()
    {
        QTest::addColumn<QList<double>>("chart");
        QTest::addColumn<double>("trafficOut");
        QTest::addColumn<int>("linkMbps");
        QTest::addColumn<double>("expected");
        QTest::newRow("upload peak") << QList<double>{} << 400.0 << 0 << 440.0;
        QTest::newRow("link floor") << QList<double>{100} << 0.0 << 10000 << 1375.0;
        QTest::newRow("link cap at twice") << QList<double>{5000, 5000} << 0.0 << 1000 << 250.0;
    }
    void dynamicMaxY()
    {
        QFETCH(QList<double>, chart);
        QFETCH(double, trafficOut);
        QFETCH(int, linkMbps);
        QFETCH(double, expected);
        int window = 1;
        const std::optional<int> link = linkMbps > 0 ? std::optional<int>(linkMbps) : std::nullopt;
        QCOMPARE(ChartGeometry::dynamicMaxY(series(chart), {sample(0, 0, trafficOut)}, link, window), expected);
    }

    void paths_data()
    {
        QTest::addColumn<Points>("actual");
        QTest::addColumn<Points>("expected");
        const auto areas = [](const QList<TestData> &data, Half half) {
            int window = 1;
            return elements(ChartGeometry::phaseAreas(data, half, frame(), window));
        };
        const auto line = [](const QList<NetworkTrafficSample> &samples, Half half) {
            return elements(ChartGeometry::trafficLine(samples, half, frame()));
        };
        QTest::newRow("no points: bare centre line") << areas({}, Half::Upper) << Points{{0, 100}, {600, 100}};
        QTest::newRow("write rises from the centre line") << areas({point(30, 50), point(0, 50)}, Half::Upper)
                                                          << Points{{300, 100}, {300, 50}, {600, 50}, {600, 100}, {300, 100}};
        QTest::newRow("read hangs below it")
            << areas({point(30, 50, 2, "read"), point(0, 50, 2, "read")}, Half::Lower)
            << Points{{300, 100}, {300, 150}, {600, 150}, {600, 100}, {300, 100}};
        QTest::newRow("above the scale is capped at the half height")
            << areas({point(6, 900), point(0, 900)}, Half::Upper)
            << Points{{540, 100}, {540, 0}, {600, 0}, {600, 100}, {540, 100}};
        QTest::newRow("phase wholly before the window is not drawn")
            << areas({point(90, 50), point(80, 50)}, Half::Upper) << Points{};
        QTest::newRow("points past the right edge stop the area there")
            << areas({point(1, 50), point(-30, 50)}, Half::Upper) << Points{{590, 100}, {590, 50}, {590, 100}};
        QTest::newRow("upload above, in time order")
            << line({sample(0, 10, 50), sample(60, 10, 25)}, Half::Upper) << Points{{0, 75}, {600, 50}};
        QTest::newRow("download above the scale stops at the bottom edge")
            << line({sample(30, 5000, 0)}, Half::Lower) << Points{{300, 200}};
        QTest::newRow("samples outside the window are dropped")
            << line({sample(61, 0, 100), sample(-1, 0, 100), sample(15, 0, 0)}, Half::Upper) << Points{{450, 100}};
    }
    void paths()
    {
        QFETCH(Points, actual);
        QFETCH(Points, expected);
        QCOMPARE(actual, expected);
    }

    void phasesAreSeparateAreas()
    {
        const QList<TestData> data{point(50, 40, 1), point(40, 40, 1), point(20, 60, 3), point(10, 60, 3)};
        const QPainterPath path = ChartGeometry::phaseAreas(data, Half::Upper, frame());
        // Nothing is drawn in the pause between the two write phases.
        QVERIFY(path.contains(QPointF(150, 90)) && !path.contains(QPointF(300, 90)) && path.contains(QPointF(450, 90)));
    }

    void xAxisLabels_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("window");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("500 wide, 60 s") << 500.0 << 60.0
                                        << QStringList{"-60s", "-50s", "-40s", "-30s", "-20s", "-10s", "now"};
        QTest::newRow("under a second apart gets tenths")
            << 560.0 << 5.0 << QStringList{"-5.0s", "-4.3s", "-3.6s", "-2.9s", "-2.1s", "-1.4s", "-0.7s", "now"};
        // Far more labels than tenths of a second: equal neighbours are dropped, the ends stay.
        QTest::newRow("never repeats a neighbour") << 8000.0 << 5.0 << QStringList{};
    }
    void xAxisLabels()
    {
        QFETCH(double, width);
        QFETCH(double, window);
        QFETCH(QStringList, texts);
        const auto labels = TrafficGeometry::xAxisLabels(width, window, 80, true);
        QStringList actual;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            actual.append(labels.at(i).text);
            QVERIFY(i == 0 || (labels.at(i).text != labels.at(i - 1).text && labels.at(i).x > labels.at(i - 1).x));
        }
        if (!texts.isEmpty())
            QCOMPARE(actual, texts);
        QCOMPARE(labels.first().x, 0.0);
        QCOMPARE(labels.last().x, width);
        QCOMPARE(TrafficGeometry::xAxisLabels(width, window, 80, false).last().text, QStringLiteral("end"));
    }

    void markerOffsets_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("offsets");
        QTest::newRow("three") << 3 << QList<double>{-18, 0, 18};
        QTest::newRow("four") << 4 << QList<double>{-12, -24, 12, 24};
        QTest::newRow("ten, spread capped at 60") << 10 << QList<double>{-12, -24, -36, -48, -60, 12, 24, 36, 48, 60};
    }
    void markerOffsets()
    {
        QFETCH(int, count);
        QFETCH(QList<double>, offsets);
        QList<double> actual;
        for (int i = 0; i < count; ++i)
            actual.append(TrafficGeometry::markerOffset(i, count));
        QCOMPARE(actual, offsets);
    }

    void markerBucketsSplitAtHalfSeconds()
    {
        QList<TimelineMarker> markers(3);
        const qint64 times[] = {1'000'000'450, 1'000'000'550, 1'000'000'100};
        for (int i = 0; i < 3; ++i)
            markers[i].timestamp = QDateTime::fromMSecsSinceEpoch(times[i], Qt::UTC);
        const auto buckets = TrafficGeometry::markerBuckets(markers);
        QCOMPARE(buckets.size(), 2);
        QCOMPARE(buckets.at(0).markers.size(), 2);
    }
};

QTEST_MAIN(tst_ChartGeometry)
#include "tst_chartgeometry.moc"
