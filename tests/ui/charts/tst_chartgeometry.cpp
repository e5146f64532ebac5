#include "ui/charts/chartgeometry.h"
#include "ui/charts/chartseries.h"
#include "ui/charts/columnreducer.h"
#include "ui/charts/trafficgeometry.h"

#include "support/fullsmoothing.h"

#include <QTest>
#include <algorithm>
#include <iterator>

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

NetworkTrafficSample sample(double secondsBefore, double in, double out)
{
    return {QUuid(), at(secondsBefore), 0, 0, false, in, out};
}

// 600 wide, centre line at 100, 100 MB/s at full height, the last 60 s.
ChartGeometry::Frame frame()
{
    return {600, 100, 100, 60, reference};
}

QPainterPath areas(const QList<TestData> &data, Half half, const ChartGeometry::Frame &frame = ::frame())
{
    int window = 1;
    ChartSeries chart;
    chart.setPoints(data, window);
    return chart.areas(half, frame);
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
        const QList<double> smoothed = smoothedFromScratch(input, window);
        QCOMPARE(window, windowAfter);
        QCOMPARE(smoothed, expected);
    }

    void dynamicMaxY_data()
    {
        QTest::addColumn<double>("chartMaximum");
        QTest::addColumn<double>("trafficOut");
        QTest::addColumn<int>("linkMbps");
        QTest::addColumn<double>("expected");
        QTest::newRow("upload peak") << 0.0 << 400.0 << 0 << 440.0;
        QTest::newRow("link floor") << 100.0 << 0.0 << 10000 << 1375.0;
        QTest::newRow("link cap at twice") << 5000.0 << 0.0 << 1000 << 250.0;
    }
    void dynamicMaxY()
    {
        QFETCH(double, chartMaximum);
        QFETCH(double, trafficOut);
        QFETCH(int, linkMbps);
        QFETCH(double, expected);
        const std::optional<int> link = linkMbps > 0 ? std::optional<int>(linkMbps) : std::nullopt;
        QCOMPARE(ChartGeometry::dynamicMaxY(chartMaximum, {sample(0, 0, trafficOut)}, link), expected);
    }

    // Appended in pieces, with draws at several zooms between, as a running test is.
    void runningMaximumMatchesAFullRecompute()
    {
        QList<TestData> data;
        for (int i = 0; i < 300; ++i) {
            const int phase = i / 100;
            const bool empty = i % 100 < phase * 3; // later phases open with more empty samples
            data.append(point(60 - i * 0.2, empty ? 0 : 50 + (i * 37) % 90, phase, phase == 1 ? "read" : "write"));
        }
        int window = 1;
        ChartSeries chart;
        for (qsizetype end = 1; end <= data.size(); end += 23) {
            chart.setPoints(data.first(end), window);
            for (double seconds : {5.0, 60.0, 3600.0})
                chart.areas(Half::Upper, {600, 100, 100, seconds, reference});
        }
        chart.setPoints(data, window);
        int fullWindow = window;
        double fullMaximum = 0;
        for (const QList<double> &phase : smoothedPhasesFromScratch(data, fullWindow))
            fullMaximum = std::max(fullMaximum, *std::max_element(phase.cbegin(), phase.cend()));
        QCOMPARE(window, 7);
        QCOMPARE(fullWindow, window);
        QCOMPARE(chart.maximum(), fullMaximum);
    }

    void pathsKeepEachColumnsLowAndHigh()
    {
        ColumnReducer reducer;
        QList<QPointF> input;
        for (int i = 0; i < 5000; ++i)
            input.append({i / 50.0, double((i * 7919) % 1000)});
        for (const QPointF &p : std::as_const(input))
            reducer.add(p);
        const QList<QPointF> kept = reducer.takePoints();
        QCOMPARE(kept.size(), 200);
        for (int column = 0; column < 100; ++column) {
            const auto inColumn = [column](const QPointF &p) { return int(p.x()) == column; };
            const auto low = [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); };
            QList<QPointF> all, some;
            std::copy_if(input.cbegin(), input.cend(), std::back_inserter(all), inColumn);
            std::copy_if(kept.cbegin(), kept.cend(), std::back_inserter(some), inColumn);
            QCOMPARE(*std::min_element(some.cbegin(), some.cend(), low), *std::min_element(all.cbegin(), all.cend(), low));
            QCOMPARE(*std::max_element(some.cbegin(), some.cend(), low), *std::max_element(all.cbegin(), all.cend(), low));
        }
        // An hour of samples zoomed out to the hour stays within two points a column.
        QList<TestData> hour;
        for (int i = 0; i < 36000; ++i)
            hour.append(point(3600 - i * 0.1, 100 + i % 13));
        QVERIFY(areas(hour, Half::Upper, {600, 100, 100, 3600, reference}).elementCount() <= 2 * 601 + 4);
    }

    void paths_data()
    {
        QTest::addColumn<Points>("actual");
        QTest::addColumn<Points>("expected");
        const auto area = [](const QList<TestData> &data, Half half) { return elements(areas(data, half)); };
        const auto line = [](const QList<NetworkTrafficSample> &samples, Half half) {
            return elements(ChartGeometry::trafficLine(samples, half, frame()));
        };
        QTest::newRow("no points: bare centre line") << area({}, Half::Upper) << Points{{0, 100}, {600, 100}};
        QTest::newRow("write rises from the centre line") << area({point(30, 50), point(0, 50)}, Half::Upper)
                                                          << Points{{300, 100}, {300, 50}, {600, 50}, {600, 100}, {300, 100}};
        QTest::newRow("read hangs below it")
            << area({point(30, 50, 2, "read"), point(0, 50, 2, "read")}, Half::Lower)
            << Points{{300, 100}, {300, 150}, {600, 150}, {600, 100}, {300, 100}};
        QTest::newRow("above the scale is capped at the half height")
            << area({point(6, 900), point(0, 900)}, Half::Upper)
            << Points{{540, 100}, {540, 0}, {600, 0}, {600, 100}, {540, 100}};
        QTest::newRow("phase wholly before the window is not drawn")
            << area({point(90, 50), point(80, 50)}, Half::Upper) << Points{};
        QTest::newRow("points past the right edge stop the area there; one sample keeps a few pixels")
            << area({point(1, 50), point(-30, 50)}, Half::Upper)
            << Points{{590, 100}, {590, 50}, {593, 50}, {593, 100}, {590, 100}};
        QTest::newRow("a single sample at the right edge is widened to the left")
            << area({point(0, 50, 2, "read")}, Half::Lower) << Points{{597, 100}, {597, 150}, {600, 150}, {600, 100}, {597, 100}};
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
        const QPainterPath path = areas(data, Half::Upper);
        // Nothing is drawn in the pause between the two write phases.
        QVERIFY(path.contains(QPointF(150, 90)) && !path.contains(QPointF(300, 90)) && path.contains(QPointF(450, 90)));
    }

    void xAxisLabels_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("window");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("500 wide, 60 s") << 500.0 << 60.0 << QStringList{"-60 s", "-50", "-40", "-30", "-20", "-10", "now"};
        QTest::newRow("odd window, round seconds") << 700.0 << 82.5
                                                   << QStringList{"-80 s", "-70", "-60", "-50", "-40", "-30", "-20", "-10", "now"};
        QTest::newRow("a second apart") << 560.0 << 5.0 << QStringList{"-5 s", "-4", "-3", "-2", "-1", "now"};
        QTest::newRow("2.5 s steps become 5 s") << 600.0 << 30.0 << QStringList{"-30 s", "-25", "-20", "-15", "-10", "-5", "now"};
        QTest::newRow("tenths") << 8000.0 << 5.0 << QStringList{};
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
            QVERIFY(i == 0 || labels.at(i).x - labels.at(i - 1).x >= 80 - 1e-9);
        }
        if (!texts.isEmpty())
            QCOMPARE(actual, texts);
        QVERIFY(labels.first().x >= 0);
        QCOMPARE(labels.last().x, width);
        QCOMPARE(TrafficGeometry::xAxisLabels(width, window, 80, false).last().text, QStringLiteral("end"));
        QList<double> lines;
        for (const auto &label : labels)
            lines.append(label.x);
        lines.removeLast();
        QCOMPARE(TrafficGeometry::verticalGridLines(width, window), lines);
    }

    void scaleLabelsAtRoundValuesOnTheGrid()
    {
        const QList<std::pair<double, double>> steps{{0.3, 0.5}, {2.2, 2.5}, {7, 10}, {250, 250}, {251, 500}};
        for (const auto &[rough, step] : steps)
            QCOMPARE(TrafficGeometry::roundStep(rough), step);
        // 1.1 × 847 MB/s on a 200 px plot: 250 MB/s steps, 24 px or more apart.
        const auto labels = TrafficGeometry::yAxisLabels(931.7, 200);
        QStringList texts;
        QList<double> ys;
        for (const auto &label : labels) {
            texts.append(label.text);
            ys.append(label.y);
        }
        QCOMPARE(texts, (QStringList{"750 MB/s", "500", "250", "0", "250", "500", "750"}));
        QCOMPARE(ys.at(3), 100.0);
        QCOMPARE(ys.at(0), 100 - 100 * 750 / 931.7);
        QCOMPARE(TrafficGeometry::horizontalGridLines(200, 931.7), ys);
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
