#include "ui/charts/chartgeometry.h"

#include <QMap>
#include <algorithm>
#include <atomic>

namespace trevlamark {

namespace {

constexpr double minimumScaleMBps = 125.0;

void sortByTime(QList<TestData> &points)
{
    std::stable_sort(points.begin(), points.end(), [](const TestData &a, const TestData &b) {
        return a.timestamp < b.timestamp;
    });
}

// Smoothed points are rebuilt on every graph refresh, tens of thousands at a
// time in a long test; a random UUID each costs more than the whole smoothing.
// A per-process random base with a running counter is as unique for them.
QUuid freshPointId()
{
    static const QUuid base = QUuid::createUuid();
    static std::atomic<quint64> counter{0};
    const quint64 n = counter.fetch_add(1, std::memory_order_relaxed);
    QUuid id = base;
    for (int i = 0; i < 8; ++i)
        id.data4[i] ^= static_cast<uchar>(n >> (8 * i));
    return id;
}

} // namespace

int &ChartGeometry::processSmoothingWindow()
{
    static int window = 1;
    return window;
}

QList<TestData> ChartGeometry::smoothPhase(const QList<TestData> &points, int &window)
{
    QList<TestData> output;
    QList<TestData> pending;
    output.reserve(points.size());
    bool dataSeen = false;
    double average = 0;

    for (qsizetype i = 0; i < points.size(); ++i) {
        const TestData &point = points.at(i);
        if (point.throughput > 0) {
            if (!pending.isEmpty()) {
                const auto zeros = std::count_if(pending.cbegin(), pending.cend(),
                                                 [](const TestData &p) { return p.throughput == 0; });
                if (zeros > 0)
                    window = std::max(window, static_cast<int>(zeros) + 1);
            }
            dataSeen = true;
        }

        // Mean of the last `window` points up to and including this one.
        const qsizetype first = std::max<qsizetype>(0, i - window + 1);
        double sum = 0;
        for (qsizetype j = first; j <= i; ++j)
            sum += points.at(j).throughput;
        average = sum / static_cast<double>(i - first + 1);

        TestData smoothed;
        smoothed.id = freshPointId();
        smoothed.timestamp = point.timestamp;
        smoothed.operation = point.operation;
        smoothed.seconds = point.seconds;
        smoothed.phaseId = point.phaseId;
        smoothed.throughput = average;

        if (!dataSeen) {
            pending.append(smoothed);
            continue;
        }
        for (TestData &waiting : pending) {
            waiting.throughput = average;
            output.append(waiting);
        }
        pending.clear();
        output.append(smoothed);
    }
    output.append(pending);
    return output;
}

QList<TestData> ChartGeometry::prepareChartData(const QList<TestData> &data,
                                                std::optional<int> phaseId, int &window)
{
    QList<TestData> points;
    if (phaseId) {
        for (const TestData &point : data) {
            if (point.phaseId == *phaseId)
                points.append(point);
        }
    } else {
        points = data;
    }
    sortByTime(points);
    if (points.size() < 2)
        return points;

    QMap<int, QList<TestData>> phases;
    for (const TestData &point : points)
        phases[point.phaseId].append(point);

    QList<TestData> result;
    result.reserve(points.size());
    for (const QList<TestData> &phase : std::as_const(phases))
        result.append(smoothPhase(phase, window));
    sortByTime(result);
    return result;
}

QList<TestData> ChartGeometry::prepareChartData(const QList<TestData> &data, std::optional<int> phaseId)
{
    return prepareChartData(data, phaseId, processSmoothingWindow());
}

double ChartGeometry::chartMaximum(const QList<TestData> &chartData, int &window)
{
    const QList<TestData> prepared = prepareChartData(chartData, std::nullopt, window);
    if (prepared.isEmpty())
        return minimumScaleMBps;
    double maximum = prepared.first().throughput;
    for (const TestData &point : prepared)
        maximum = std::max(maximum, point.throughput);
    return maximum;
}

double ChartGeometry::dynamicMaxY(const QList<TestData> &chartData,
                                  const QList<NetworkTrafficSample> &trafficSamples,
                                  std::optional<int> linkSpeedMbps, int &window)
{
    // Without samples the inbound maximum counts as 125, which the floor covers.
    double peak = std::max(minimumScaleMBps, chartMaximum(chartData, window));
    for (const NetworkTrafficSample &sample : trafficSamples)
        peak = std::max({peak, sample.throughputIn, sample.throughputOut});
    if (!linkSpeedMbps || *linkSpeedMbps <= 0)
        return peak * 1.1;
    const double linkMBps = *linkSpeedMbps / 8.0;
    return std::max(linkMBps * 1.1, std::min(2 * linkMBps, peak * 1.1));
}

double ChartGeometry::dynamicMaxY(const QList<TestData> &chartData,
                                  const QList<NetworkTrafficSample> &trafficSamples,
                                  std::optional<int> linkSpeedMbps)
{
    return dynamicMaxY(chartData, trafficSamples, linkSpeedMbps, processSmoothingWindow());
}

double ChartGeometry::secondsBefore(const QDateTime &time, const QDateTime &referenceTime)
{
    return static_cast<double>(time.msecsTo(referenceTime)) / 1000.0;
}

double ChartGeometry::xForTime(const QDateTime &time, const QDateTime &referenceTime,
                               double timeWindowSeconds, double width)
{
    if (timeWindowSeconds <= 0)
        return width;
    return width * (1.0 - secondsBefore(time, referenceTime) / timeWindowSeconds);
}

double ChartGeometry::heightRatio(double value, double maxY)
{
    if (maxY <= 0 || value <= 0)
        return 0;
    return std::min(1.0, value / maxY);
}

QPainterPath ChartGeometry::phaseAreas(const QList<TestData> &data, Half half, const Frame &frame, int &window)
{
    QPainterPath result;
    const double width = frame.width;
    const double base = frame.centreY;
    const QDateTime &reference = frame.referenceTime;
    const QDateTime start = reference.addMSecs(-static_cast<qint64>(frame.timeWindowSeconds * 1000.0));
    const bool upper = half == Half::Upper;

    QMap<int, QList<TestData>> phases;
    for (const TestData &point : data) {
        if ((point.operation == QLatin1String("write")) == upper)
            phases[point.phaseId].append(point);
    }
    if (phases.isEmpty()) {
        result.moveTo(0, base);
        result.lineTo(width, base);
        return result;
    }

    const auto inWindow = [&](const TestData &p) { return p.timestamp >= start && p.timestamp <= reference; };

    // Phases with no point in view are left out before the costly smoothing.
    QList<QList<TestData>> groups;
    for (const QList<TestData> &phase : std::as_const(phases)) {
        if (std::any_of(phase.cbegin(), phase.cend(), inWindow))
            groups.append(prepareChartData(phase, std::nullopt, window));
    }
    std::stable_sort(groups.begin(), groups.end(), [](const QList<TestData> &a, const QList<TestData> &b) {
        return a.first().timestamp < b.first().timestamp;
    });

    const auto x = [&](const QDateTime &t) { return xForTime(t, reference, frame.timeWindowSeconds, width); };
    for (const QList<TestData> &group : std::as_const(groups)) {
        const auto firstVisible = std::find_if(group.cbegin(), group.cend(), inWindow);
        result.moveTo(std::max(0.0, x(firstVisible->timestamp)), base);
        for (const TestData &point : group) {
            const double px = x(point.timestamp);
            if (px < -0.1 * width)
                continue;
            if (px > 1.1 * width)
                break;
            const double ratio = heightRatio(point.throughput, frame.maxY);
            const double py = upper ? base - base * ratio : base + base * ratio;
            result.lineTo(std::clamp(px, 0.0, width), py);
        }
        const auto lastShown = std::find_if(group.crbegin(), group.crend(),
                                            [&](const TestData &p) { return p.timestamp <= reference; });
        result.lineTo(std::min(width, x(lastShown->timestamp)), base);
        result.closeSubpath();
    }
    return result;
}

QPainterPath ChartGeometry::phaseAreas(const QList<TestData> &data, Half half, const Frame &frame)
{
    return phaseAreas(data, half, frame, processSmoothingWindow());
}

QPainterPath ChartGeometry::trafficLine(const QList<NetworkTrafficSample> &samples, Half half, const Frame &frame)
{
    const QDateTime &reference = frame.referenceTime;
    const QDateTime start = reference.addMSecs(-static_cast<qint64>(frame.timeWindowSeconds * 1000.0));
    QList<NetworkTrafficSample> visible;
    for (const NetworkTrafficSample &sample : samples) {
        if (sample.timestamp >= start && sample.timestamp <= reference)
            visible.append(sample);
    }
    std::stable_sort(visible.begin(), visible.end(), [](const NetworkTrafficSample &a, const NetworkTrafficSample &b) {
        return a.timestamp < b.timestamp;
    });

    QPainterPath result;
    const bool upper = half == Half::Upper;
    const double base = frame.centreY;
    for (const NetworkTrafficSample &sample : std::as_const(visible)) {
        const double ratio = heightRatio(upper ? sample.throughputOut : sample.throughputIn, frame.maxY);
        const QPointF point(
            std::clamp(xForTime(sample.timestamp, reference, frame.timeWindowSeconds, frame.width), 0.0, frame.width),
            upper ? base * (1 - ratio) : base + base * ratio);
        if (result.elementCount() == 0)
            result.moveTo(point);
        else
            result.lineTo(point);
    }
    return result;
}

} // namespace trevlamark
