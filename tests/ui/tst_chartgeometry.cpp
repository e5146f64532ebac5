#include "ui/chartgeometry.h"

#include <QSet>
#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime base = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

QList<TestData> series(const QList<double> &values, int phaseId = 1,
                       const QString &operation = QStringLiteral("write"), int startMs = 0)
{
    QList<TestData> points;
    for (int i = 0; i < values.size(); ++i) {
        TestData point;
        point.id = QUuid::createUuid();
        point.timestamp = base.addMSecs(startMs + i * 100);
        point.operation = operation;
        point.throughput = values.at(i);
        point.seconds = i * 0.1;
        point.phaseId = phaseId;
        points.append(point);
    }
    return points;
}

QList<double> throughputs(const QList<TestData> &points)
{
    QList<double> values;
    for (const TestData &point : points)
        values.append(point.throughput);
    return values;
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

        QTest::newRow("window 1 keeps values") << QList<double>{10, 20, 30} << 1 << 1
                                               << QList<double>{10, 20, 30};
        QTest::newRow("window 2 averages pairs") << QList<double>{10, 20, 30} << 2 << 2
                                                 << QList<double>{10, 15, 25};
        QTest::newRow("three leading zeros widen to 4")
            << QList<double>{0, 0, 0, 40, 40} << 1 << 4 << QList<double>{10, 10, 10, 10, 20};
        QTest::newRow("window never narrows") << QList<double>{0, 30, 30} << 5 << 5
                                              << QList<double>{15, 15, 20};
        QTest::newRow("phase without data stays pending") << QList<double>{0, 0} << 1 << 1
                                                          << QList<double>{0, 0};
        QTest::newRow("empty") << QList<double>{} << 3 << 3 << QList<double>{};
        QTest::newRow("zeros after data are averaged") << QList<double>{10, 0, 0} << 2 << 2
                                                       << QList<double>{10, 5, 0};
    }
    void smoothing()
    {
        QFETCH(QList<double>, input);
        QFETCH(int, windowBefore);
        QFETCH(int, windowAfter);
        QFETCH(QList<double>, expected);
        int window = windowBefore;
        const QList<TestData> points = series(input);
        const QList<TestData> smoothed = ChartGeometry::smoothPhase(points, window);
        QCOMPARE(window, windowAfter);
        QCOMPARE(throughputs(smoothed), expected);
        for (int i = 0; i < smoothed.size(); ++i) {
            QCOMPARE(smoothed.at(i).timestamp, points.at(i).timestamp);
            QVERIFY(smoothed.at(i).id != points.at(i).id);
        }
    }

    void preparationFiltersSortsAndSmoothsPhasesApart()
    {
        QList<TestData> data = series({100, 100}, 2, QStringLiteral("read"), 1000);
        data.append(series({0, 50}, 1));
        std::reverse(data.begin(), data.end());
        int window = 1;
        const QList<TestData> all = ChartGeometry::prepareChartData(data, std::nullopt, window);
        QCOMPARE(window, 2);
        // Phase 1 widened the window; phase 2 is averaged with its own points only.
        QCOMPARE(throughputs(all), (QList<double>{25, 25, 100, 100}));
        for (int i = 1; i < all.size(); ++i)
            QVERIFY(all.at(i - 1).timestamp <= all.at(i).timestamp);

        const QList<TestData> onlyTwo = ChartGeometry::prepareChartData(data, 2, window);
        QCOMPARE(onlyTwo.size(), 2);
        QCOMPARE(onlyTwo.first().phaseId, 2);
    }

    void singlePointIsReturnedAsIs()
    {
        int window = 1;
        const QList<TestData> one = series({0});
        QCOMPARE(ChartGeometry::prepareChartData(one, std::nullopt, window).first().id, one.first().id);
    }

    void dynamicMaxY_data()
    {
        QTest::addColumn<QList<double>>("chart");
        QTest::addColumn<double>("trafficIn");
        QTest::addColumn<double>("trafficOut");
        QTest::addColumn<bool>("hasTraffic");
        QTest::addColumn<int>("linkMbps");
        QTest::addColumn<double>("expected");

        QTest::newRow("nothing") << QList<double>{} << 0.0 << 0.0 << false << 0 << 137.5;
        QTest::newRow("chart peak") << QList<double>{300, 300} << 0.0 << 0.0 << false << 0 << 330.0;
        QTest::newRow("upload peak") << QList<double>{} << 10.0 << 400.0 << true << 0 << 440.0;
        QTest::newRow("link floor") << QList<double>{100} << 0.0 << 0.0 << false << 10000 << 1375.0;
        QTest::newRow("link cap at twice") << QList<double>{5000, 5000} << 0.0 << 0.0 << false << 1000
                                           << 250.0;
        QTest::newRow("between") << QList<double>{200, 200} << 0.0 << 0.0 << false << 1000 << 220.0;
    }
    void dynamicMaxY()
    {
        QFETCH(QList<double>, chart);
        QFETCH(double, trafficIn);
        QFETCH(double, trafficOut);
        QFETCH(bool, hasTraffic);
        QFETCH(int, linkMbps);
        QFETCH(double, expected);
        QList<NetworkTrafficSample> samples;
        if (hasTraffic) {
            NetworkTrafficSample sample;
            sample.timestamp = base;
            sample.throughputIn = trafficIn;
            sample.throughputOut = trafficOut;
            samples.append(sample);
        }
        int window = 1;
        const std::optional<int> link = linkMbps > 0 ? std::optional<int>(linkMbps) : std::nullopt;
        QCOMPARE(ChartGeometry::dynamicMaxY(series(chart), samples, link, window), expected);
    }

    void heightRatio_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("maxY");
        QTest::addColumn<double>("expected");
        QTest::newRow("half") << 50.0 << 100.0 << 0.5;
        QTest::newRow("above the scale") << 500.0 << 100.0 << 1.0;
        QTest::newRow("no scale") << 50.0 << 0.0 << 0.0;
        QTest::newRow("negative") << -5.0 << 100.0 << 0.0;
    }
    void heightRatio()
    {
        QFETCH(double, value);
        QFETCH(double, maxY);
        QFETCH(double, expected);
        QCOMPARE(ChartGeometry::heightRatio(value, maxY), expected);
    }

    void smoothedPointsGetDistinctIds()
    {
        int window = 1;
        QSet<QUuid> ids;
        for (int round = 0; round < 3; ++round) {
            for (const TestData &point : ChartGeometry::smoothPhase(series({1, 2, 3, 4, 5, 6, 7, 8, 9}), window))
                ids.insert(point.id);
        }
        QCOMPARE(ids.size(), 27);
        QVERIFY(!ids.contains(QUuid()));
    }

    void processWindowOnlyGrows()
    {
        int &window = ChartGeometry::processSmoothingWindow();
        const int before = window;
        ChartGeometry::prepareChartData(series({0, 0, 0, 0, 0, 0, 0, 0, 0, 5}));
        QCOMPARE(window, std::max(before, 10));
        ChartGeometry::prepareChartData(series({0, 5}));
        QCOMPARE(window, std::max(before, 10));
    }
};

QTEST_MAIN(tst_ChartGeometry)
#include "tst_chartgeometry.moc"
