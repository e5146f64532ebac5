#include "ui/charts/mirroredchart.h"

#include "support/widgetscreenshot.h"
#include "ui/charts/graphzoomcontrols.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/themecolors.h"

#include <QGraphicsOpacityEffect>
#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

QDateTime at(double secondsBefore)
{
    return reference.addMSecs(-static_cast<qint64>(secondsBefore * 1000));
}

TestData point(double secondsBefore, const char *operation, double throughput)
{
    const QString op = QString::fromLatin1(operation);
    return {QUuid(), at(secondsBefore), op, throughput, 0, op == QLatin1String("write") ? 1 : 2};
}

TimelineMarker marker(double secondsBefore, const char *type, const char *message)
{
    return {QUuid::createUuid(), at(secondsBefore), QString::fromLatin1(message), QString::fromLatin1(type)};
}

QList<TestData> sampleChart()
{
    QList<TestData> data;
    for (int i = 0; i < 400; ++i) {
        TestData point;
        const bool write = i < 200;
        point.timestamp = reference.addMSecs(write ? -55'000 + i * 100 : -33'000 + (i - 200) * 100);
        point.operation = write ? QStringLiteral("write") : QStringLiteral("read");
        point.throughput = write ? (i < 3 ? 0 : 300 + 40 * std::sin(i / 7.0)) : 420 + 30 * std::cos((i - 200) / 5.0);
        point.phaseId = write ? 1 : 2;
        data.append(point);
    }
    // A read phase fast enough to give a single sample.
    data.append({QUuid(), reference.addMSecs(-8'000), QStringLiteral("read"), 380, 0, 3});
    return data;
}

// `count` samples 0.1 s apart, the last at the reference time.
template <typename Out, typename In>
QList<NetworkTrafficSample> traffic(int count, Out out, In in)
{
    QList<NetworkTrafficSample> samples;
    for (int i = 0; i < count; ++i) {
        NetworkTrafficSample sample;
        sample.timestamp = reference.addMSecs((i - count + 1) * 100);
        sample.throughputOut = out(i);
        sample.throughputIn = in(i);
        samples.append(sample);
    }
    return samples;
}

// A test's write and read phases, seen on the interface.
QList<NetworkTrafficSample> testTraffic()
{
    return traffic(
        601, [](int i) { return i >= 50 && i < 250 ? 310 + 30 * std::sin(i / 3.0) : 2; },
        [](int i) { return i >= 270 && i < 470 ? 430 + 25 * std::cos(i / 4.0) : 1; });
}

} // namespace

class tst_MirroredChart : public QObject
{
    Q_OBJECT
private slots:
    void writeAboveReadBelow()
    {
        MirroredChart chart(MirroredChart::Style::Scaled);
        chart.setPlotHeight(200);
        chart.resize(700, chart.sizeHint().height());
        chart.setTimeWindow(60);
        chart.setReferenceTime(reference);
        chart.setMaxY(100);
        // Write over the left half at full scale, read over the right half at half scale.
        chart.setChartData({point(59, "write", 100), point(31, "write", 100), point(29, "read", 50),
                            point(1, "read", 50)});
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const QImage image = chart.plotArea()->grab().toImage();
        const auto hue = [&image](double fx, double fy) {
            return image.pixelColor(int(fx * image.width()), int(fy * image.height())).hslHue();
        };
        const bool dark = ThemeColors::isDark(chart.palette());
        QVERIFY(qAbs(hue(0.25, 0.25) - ThemeColors::warm(dark).hslHue()) < 12);
        QVERIFY(qAbs(hue(0.75, 0.62) - ThemeColors::cool(dark).hslHue()) < 12);
        // Nothing below the centre under the writes, nor above it over the reads, nor past half of the read scale.
        const int background = hue(0.01, 0.03);
        QCOMPARE(hue(0.25, 0.75), background);
        QCOMPARE(hue(0.75, 0.25), background);
        QCOMPARE(hue(0.75, 0.93), background);
    }

    void rightEdgeFollowsTheChartsOwnSeries()
    {
        MirroredChart panel(MirroredChart::Style::Panel);
        MirroredChart scaled(MirroredChart::Style::Scaled);
        for (MirroredChart *chart : {&panel, &scaled}) {
            chart->setTrafficSamples(testTraffic());
            chart->setChartData({point(20, "write", 1)});
        }
        QCOMPARE(panel.effectiveReferenceTime(), reference);
        QCOMPARE(scaled.effectiveReferenceTime(), reference.addSecs(-20));
        scaled.setRunningTest(true);
        QVERIFY(scaled.effectiveReferenceTime() > reference.addSecs(3600));
    }

    void screenshots()
    {
        mainScreenScreenshots();
        testScreenScreenshots();
    }

private:
    void mainScreenScreenshots()
    {
        MirroredChart graph(MirroredChart::Style::Panel);
        graph.resize(600, 160);
        graph.setTimeWindow(30);
        graph.setMaxY(137.5);
        // Gentle waves within the main screen's usual scale.
        graph.setTrafficSamples(traffic(
            301, [](int i) { return 40 + 30 * std::sin(i / 9.0); }, [](int i) { return 70 + 50 * std::cos(i / 13.0); }));
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QCOMPARE(graph.height(), 150);
        testing::saveScreenshots(&graph, QStringLiteral("networkgraphcontainer"));
    }

    void testScreenScreenshots()
    {
        TestGraphPanel panel;
        panel.resize(760, 330);
        panel.setNetworkLocation(true);
        panel.setInterfaceID(QStringLiteral("eth0"));
        panel.setNetworkRawSpeed(QStringLiteral("10GbaseT"));
        panel.setTimeWindow(60);
        panel.setReferenceTime(reference);
        panel.setMaxY(550);
        panel.setChartData(sampleChart());
        panel.setNetworkChartData(testTraffic());
        panel.setShowNetworkOverlay(true);
        panel.setMonitoring(true);
        panel.setCurrentThroughput(52.3, 310.7);
        panel.setTimelineMarkers({marker(55, "write", "Start write phase"), marker(35.1, "write", "End write phase"),
                                  marker(35, "read", "Start read phase"), marker(13, "read", "End read phase"),
                                  marker(12.9, "error", "Close timed out")});
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        testing::saveScreenshots(&panel, QStringLiteral("combinedgraphsview"));

        // Hovering the plot fades in the zoom and expand controls.
        QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), panel.plotArea()->mapToGlobal(QPointF(50, 50)));
        QApplication::sendEvent(panel.plotArea(), &enter);
        auto *effect = qobject_cast<QGraphicsOpacityEffect *>(panel.zoomControls()->graphicsEffect());
        QTRY_COMPARE(effect->opacity(), 1.0);
        testing::saveScreenshots(&panel, QStringLiteral("combinedgraphsview-hovered"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(panel.plotArea(), &leave);
        QTRY_COMPARE(effect->opacity(), 0.0);
    }
};

QTEST_MAIN(tst_MirroredChart)
#include "tst_mirroredchart.moc"
