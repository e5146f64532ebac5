#include "ui/charts/chartgeometry.h"

#include "ui/charts/columnreducer.h"

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

// The gauges smooth their newest phase again on every graph refresh; a random
// UUID per point would cost more than the smoothing. A per-process random base
// with a running counter is as unique for them.
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

double ChartGeometry::dynamicMaxY(double chartMaximum, const QList<NetworkTrafficSample> &trafficSamples,
                                  std::optional<int> linkSpeedMbps)
{
    // Without samples the inbound maximum counts as 125, which the floor covers.
    double peak = std::max(minimumScaleMBps, chartMaximum);
    for (const NetworkTrafficSample &sample : trafficSamples)
        peak = std::max({peak, sample.throughputIn, sample.throughputOut});
    if (!linkSpeedMbps || *linkSpeedMbps <= 0)
        return peak * 1.1;
    const double linkMBps = *linkSpeedMbps / 8.0;
    return std::max(linkMBps * 1.1, std::min(2 * linkMBps, peak * 1.1));
}

double ChartGeometry::secondsBefore(const QDateTime &time, const QDateTime &referenceTime)
{
    return static_cast<double>(time.msecsTo(referenceTime)) / 1000.0;
}

double ChartGeometry::heightRatio(double value, double maxY)
{
    if (maxY <= 0 || value <= 0)
        return 0;
    return std::min(1.0, value / maxY);
}

QPainterPath ChartGeometry::trafficLine(const QList<NetworkTrafficSample> &samples, Half half, const Frame &frame)
{
    const auto earlier = [](const NetworkTrafficSample &a, const NetworkTrafficSample &b) {
        return a.timestamp < b.timestamp;
    };
    // The sampler keeps its samples in time order; only another list is copied to be sorted.
    QList<NetworkTrafficSample> sorted;
    const QList<NetworkTrafficSample> *ordered = &samples;
    if (!std::is_sorted(samples.cbegin(), samples.cend(), earlier)) {
        sorted = samples;
        std::stable_sort(sorted.begin(), sorted.end(), earlier);
        ordered = &sorted;
    }

    const QDateTime &reference = frame.referenceTime;
    const double spanMs = frame.timeWindowSeconds * 1000.0;
    NetworkTrafficSample bound;
    bound.timestamp = reference.addMSecs(-static_cast<qint64>(spanMs));
    const auto first = std::lower_bound(ordered->cbegin(), ordered->cend(), bound, earlier);
    bound.timestamp = reference;
    const auto last = std::upper_bound(first, ordered->cend(), bound, earlier);

    const bool upper = half == Half::Upper;
    const double base = frame.centreY;
    ColumnReducer reducer(ColumnReducer::Keep::TopAndBottom, static_cast<qsizetype>(frame.width));
    for (auto it = first; it != last; ++it) {
        const double ratio = heightRatio(upper ? it->throughputOut : it->throughputIn, frame.maxY);
        const double x = spanMs <= 0 ? frame.width
                                     : frame.width * (1.0 - static_cast<double>(it->timestamp.msecsTo(reference)) / spanMs);
        reducer.add({std::clamp(x, 0.0, frame.width), upper ? base * (1 - ratio) : base + base * ratio});
    }

    QPainterPath result;
    const QList<QPointF> points = reducer.takePoints();
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (i == 0)
            result.moveTo(points.at(i));
        else
            result.lineTo(points.at(i));
    }
    return result;
}

} // namespace trevlamark
