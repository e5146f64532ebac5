// Times the work of one graph refresh over a one-hour test's chart points:
// both chart paths, the dynamic y maximum and both gauge values.

#include "ui/charts/chartgeometry.h"
#include "ui/gauges/gaugegeometry.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>

using namespace trevlamark;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QDateTime reference = QDateTime::currentDateTime();
    constexpr int pointCount = 36000; // one hour at ten samples a second
    constexpr int pointsPerPhase = 3000;
    constexpr int rounds = 10;
    QList<TestData> data;
    for (int i = 0; i < pointCount; ++i) {
        TestData point;
        point.timestamp = reference.addMSecs(-static_cast<qint64>(pointCount - i) * 100);
        point.phaseId = i / pointsPerPhase;
        point.operation = point.phaseId % 2 ? QStringLiteral("read") : QStringLiteral("write");
        point.throughput = (i % pointsPerPhase) < 5 ? 0 : 300 + (i % 7);
        data.append(point);
    }

    ChartGeometry::Frame frame;
    frame.maxY = 500;
    frame.width = 700;
    frame.centreY = 100;
    frame.timeWindowSeconds = 60;
    frame.referenceTime = reference;

    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round)
        ChartGeometry::phaseAreas(data, round % 2 == 0 ? ChartGeometry::Half::Upper : ChartGeometry::Half::Lower, frame);
    std::printf("chart path (one half), %d points: %.1f ms\n", pointCount, timer.elapsed() / double(rounds));

    timer.restart();
    for (int round = 0; round < rounds; ++round)
        ChartGeometry::dynamicMaxY(data, {}, 10000);
    std::printf("dynamic y maximum, %d points: %.1f ms\n", pointCount, timer.elapsed() / double(rounds));

    timer.restart();
    for (int round = 0; round < rounds; ++round)
        GaugeGeometry::gaugeValue(data, QStringLiteral("Write"), false, 0);
    std::printf("gauge value, %d points: %.1f ms\n", pointCount, timer.elapsed() / double(rounds));
    return 0;
}
