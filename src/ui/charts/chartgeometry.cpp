#include "ui/charts/chartgeometry.h"

#include "ui/charts/columnreducer.h"

#include <algorithm>

namespace trevlamark {

namespace {

constexpr double minimumScaleMBps = 125.0;

} // namespace

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
