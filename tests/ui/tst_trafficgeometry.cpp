#include "ui/trafficgeometry.h"

#include <QTest>

using namespace trevlamark;
using AxisLabels = QList<TrafficGeometry::AxisLabel>;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

TimelineMarker marker(qint64 msecsSinceEpoch, const QString &type = QStringLiteral("write"))
{
    TimelineMarker m;
    m.id = QUuid::createUuid();
    m.timestamp = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
    m.type = type;
    m.message = QStringLiteral("event");
    return m;
}

} // namespace

class tst_TrafficGeometry : public QObject
{
    Q_OBJECT
private slots:
    void referenceTime()
    {
        const QDateTime now = reference.addSecs(100);
        const QDateTime given = reference.addSecs(-5);
        const QDateTime newest = reference.addSecs(-9);
        QCOMPARE(TrafficGeometry::effectiveReferenceTime(true, given, newest, now), now);
        QCOMPARE(TrafficGeometry::effectiveReferenceTime(false, given, newest, now), given);
        QCOMPARE(TrafficGeometry::effectiveReferenceTime(false, std::nullopt, newest, now), newest);
        QCOMPARE(TrafficGeometry::effectiveReferenceTime(false, std::nullopt, std::nullopt, now), now);
    }

    void xAxisLabels_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("window");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("500 wide, 60 s, running")
            << 500.0 << 60.0 << true
            << QStringList{"-60s", "-50s", "-40s", "-30s", "-20s", "-10s", "now"};
        QTest::newRow("narrow keeps two intervals") << 100.0 << 10.0 << false << QStringList{"-10s", "-5s", "end"};
        QTest::newRow("fractions are truncated") << 240.0 << 7.0 << false
                                                 << QStringList{"-7s", "-4s", "-2s", "end"};
        QTest::newRow("exactly a second apart stays whole") << 400.0 << 5.0 << true
                                                            << QStringList{"-5s", "-4s", "-3s", "-2s", "-1s", "now"};
        QTest::newRow("under a second apart gets tenths")
            << 560.0 << 5.0 << true << QStringList{"-5.0s", "-4.3s", "-3.6s", "-2.9s", "-2.1s", "-1.4s", "-0.7s", "now"};
        QTest::newRow("short window on a wide graph") << 800.0 << 5.0 << false
                                                      << QStringList{"-5.0s", "-4.5s", "-4.0s", "-3.5s", "-3.0s",
                                                                     "-2.5s", "-2.0s", "-1.5s", "-1.0s", "-0.5s", "end"};
    }
    void xAxisLabels()
    {
        QFETCH(double, width);
        QFETCH(double, window);
        QFETCH(bool, running);
        QFETCH(QStringList, texts);
        const AxisLabels labels = TrafficGeometry::xAxisLabels(width, window, 80, running);
        QStringList actual;
        for (const auto &label : labels)
            actual.append(label.text);
        QCOMPARE(actual, texts);
        QCOMPARE(labels.first().x, 0.0);
        QCOMPARE(labels.last().x, width);
        for (qsizetype i = 1; i < labels.size(); ++i)
            QVERIFY2(labels.at(i).text != labels.at(i - 1).text, qPrintable(labels.at(i).text));
    }

    void xAxisLabelsNeverRepeatANeighbour()
    {
        // Far more labels than tenths of a second: equal texts are dropped, the ends stay.
        const auto labels = TrafficGeometry::xAxisLabels(8000, 5, 80, true);
        QCOMPARE(labels.first().text, QStringLiteral("-5.0s"));
        QCOMPARE(labels.last().text, QStringLiteral("now"));
        QCOMPARE(labels.last().x, 8000.0);
        for (qsizetype i = 1; i < labels.size(); ++i) {
            QVERIFY(labels.at(i).text != labels.at(i - 1).text);
            QVERIFY(labels.at(i).x > labels.at(i - 1).x);
        }
    }

    void yAxisLabels()
    {
        QCOMPARE(TrafficGeometry::yAxisLabels(137.5),
                 (QStringList{"137", "103", "68", "34", "0", "34", "68", "103", "137"}));
    }

    void grid()
    {
        QCOMPARE(TrafficGeometry::verticalGridLines(300, 60), (QList<double>{0, 60, 120, 180, 240}));
        QCOMPARE(TrafficGeometry::verticalGridLines(50, 60), (QList<double>{0, 25}));
        QCOMPARE(TrafficGeometry::horizontalGridLines(100, 10).size(), 11);
        QCOMPARE(TrafficGeometry::horizontalGridLines(100, 10).last(), 100.0);
    }

    void buckets_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("0.3 s apart in one half second") << QList<qint64>{1'000'000'100, 1'000'000'400}
                                                         << QList<int>{2};
        QTest::newRow("0.6 s apart") << QList<qint64>{1'000'000'100, 1'000'000'700} << QList<int>{1, 1};
        QTest::newRow("close but across a boundary") << QList<qint64>{1'000'000'450, 1'000'000'550}
                                                      << QList<int>{1, 1};
        QTest::newRow("three together, one later")
            << QList<qint64>{1'000'002'000, 1'000'000'000, 1'000'000'100, 1'000'000'200} << QList<int>{3, 1};
    }
    void buckets()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, sizes);
        QList<TimelineMarker> markers;
        for (qint64 t : times)
            markers.append(marker(t));
        const auto buckets = TrafficGeometry::markerBuckets(markers);
        QList<int> actual;
        for (const auto &bucket : buckets)
            actual.append(bucket.markers.size());
        QCOMPARE(actual, sizes);
        QCOMPARE(buckets.first().key, QString::number(TrafficGeometry::markerBucketNumber(
                                          buckets.first().markers.first().timestamp)));
    }

    void offsets_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("offsets");
        QTest::newRow("one") << 1 << QList<double>{0};
        QTest::newRow("two") << 2 << QList<double>{-12, 12};
        QTest::newRow("three") << 3 << QList<double>{-18, 0, 18};
        QTest::newRow("four") << 4 << QList<double>{-12, -24, 12, 24};
        QTest::newRow("twelve spread capped at 60") << 12 << QList<double>{-10, -20, -30, -40, -50, -60,
                                                                          10, 20, 30, 40, 50, 60};
    }
    void offsets()
    {
        QFETCH(int, count);
        QFETCH(QList<double>, offsets);
        QList<double> actual;
        for (int i = 0; i < count; ++i)
            actual.append(TrafficGeometry::markerOffset(i, count));
        QCOMPARE(actual, offsets);
    }

    void markerX_data()
    {
        QTest::addColumn<double>("secondsBeforeReference");
        QTest::addColumn<double>("x");
        QTest::newRow("before the window") << 61.0 << -1.0;
        QTest::newRow("after the reference") << -1.0 << 601.0;
        QTest::newRow("middle") << 30.0 << 300.0;
        QTest::newRow("right edge") << 0.0 << 600.0;
    }
    void markerX()
    {
        QFETCH(double, secondsBeforeReference);
        QFETCH(double, x);
        const QDateTime t = reference.addMSecs(-static_cast<qint64>(secondsBeforeReference * 1000));
        QCOMPARE(TrafficGeometry::markerX(t, reference, 60, 600), x);
    }

    void markerColors_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<TrafficGeometry::MarkerColor>("color");
        QTest::newRow("write") << "write" << TrafficGeometry::MarkerColor::Warm;
        QTest::newRow("read") << "read" << TrafficGeometry::MarkerColor::Cool;
        QTest::newRow("error") << "error" << TrafficGeometry::MarkerColor::Red;
        QTest::newRow("unknown") << "cleanup" << TrafficGeometry::MarkerColor::Gray;
    }
    void markerColors()
    {
        QFETCH(QString, type);
        QFETCH(TrafficGeometry::MarkerColor, color);
        QCOMPARE(TrafficGeometry::markerColor(type), color);
    }

    void zoom_data()
    {
        QTest::addColumn<double>("window");
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::addColumn<bool>("canIn");
        QTest::addColumn<bool>("canOut");
        QTest::newRow("6 s zooms in to 5") << 6.0 << 5.0 << 9.0 << true << true;
        QTest::newRow("3000 s zooms out to 3600") << 3000.0 << 2000.0 << 3600.0 << true << true;
        QTest::newRow("at the minimum") << 5.0 << 5.0 << 7.5 << false << true;
        QTest::newRow("at the maximum") << 3600.0 << 2400.0 << 3600.0 << true << false;
        QTest::newRow("60 s") << 60.0 << 40.0 << 90.0 << true << true;
    }
    void zoom()
    {
        QFETCH(double, window);
        QFETCH(double, in);
        QFETCH(double, out);
        QFETCH(bool, canIn);
        QFETCH(bool, canOut);
        QCOMPARE(TrafficGeometry::zoomedIn(window), in);
        QCOMPARE(TrafficGeometry::zoomedOut(window), out);
        QCOMPARE(TrafficGeometry::canZoomIn(window), canIn);
        QCOMPARE(TrafficGeometry::canZoomOut(window), canOut);
    }

    void heightsAndWindows()
    {
        QCOMPARE(TrafficGeometry::graphAreaHeight(false, 2000), 200.0);
        QCOMPARE(TrafficGeometry::graphAreaHeight(true, 1000), 560.0);
        QCOMPARE(TrafficGeometry::graphAreaHeight(true, 600), 300.0);
        QCOMPARE(TrafficGeometry::postTestTimeWindowSeconds(7.3), 10.0);
        QCOMPARE(TrafficGeometry::postTestTimeWindowSeconds(8.0), 10.0);
        QCOMPARE(TrafficGeometry::timeWindowText(40.5), QStringLiteral("40s"));
    }

    void texts()
    {
        QCOMPARE(TrafficGeometry::speedIndicatorText(12.5), QStringLiteral("100.0 Mbits/s"));
        NetworkInterfaceInfo wifi;
        wifi.isWifi = true;
        wifi.speed = QStringLiteral("866 Mbps");
        NetworkInterfaceInfo wired;
        wired.speed = QStringLiteral("10 Gbps");
        const std::optional<QString> raw = QStringLiteral("10GbaseT");
        QCOMPARE(TrafficGeometry::interfaceLineText("en0", wifi, raw), QStringLiteral("en0 - WiFi"));
        QCOMPARE(TrafficGeometry::interfaceLineText("eth0", wired, raw), QStringLiteral("eth0 - 10 Gbps"));
        QCOMPARE(TrafficGeometry::interfaceLineText("eth0", NetworkInterfaceInfo{}, raw),
                 QStringLiteral("eth0 - 10GbaseT"));
        QCOMPARE(TrafficGeometry::interfaceLineText("eth0", std::nullopt, std::nullopt),
                 QStringLiteral("eth0 - Unknown speed"));

        const QList<QPair<QString, QString>> available{{"eth0", "Ethernet"}, {"wlan0", "Wi-Fi"}};
        QCOMPARE(TrafficGeometry::interfaceSelectorLabel("", available), QStringLiteral("Select Interface"));
        QCOMPARE(TrafficGeometry::interfaceSelectorLabel("wlan0", available), QStringLiteral("Wi-Fi"));
        QCOMPARE(TrafficGeometry::interfaceSelectorLabel("tun0", available), QStringLiteral("Virtual: tun0"));
    }
};

QTEST_MAIN(tst_TrafficGeometry)
#include "tst_trafficgeometry.moc"
