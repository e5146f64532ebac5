#pragma once
// Pure arithmetic behind the mirrored charts: the dynamic y maximum shared by
// the charts and the gauges, and the traffic lines drawn above and below a
// chart's centre line (ChartSeries smooths and draws the test's phases).

#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QPainterPath>
#include <optional>

namespace trevlamark {

class ChartGeometry
{
public:
    ChartGeometry() = delete;

    // Writes and outbound traffic rise above the centre line, reads and inbound traffic hang below it.
    enum class Half { Upper, Lower };

    // Where a chart draws: `width` wide, its centre line at `centreY` (also the
    // height of each half), its right edge at `referenceTime`.
    struct Frame
    {
        double width = 0;
        double centreY = 0;
        double maxY = 0; // MB/s drawn at the full half height
        double timeWindowSeconds = 60;
        QDateTime referenceTime;
    };

    // The scale (MB/s) of the graphs and of gauges without a known link, from
    // the largest smoothed chart throughput (ChartSeries::maximum) and the traffic.
    static double dynamicMaxY(double chartMaximum, const QList<NetworkTrafficSample> &trafficSamples,
                              std::optional<int> linkSpeedMbps);

    // Seconds from `time` to `referenceTime` (positive when `time` is earlier).
    static double secondsBefore(const QDateTime &time, const QDateTime &referenceTime);

    // The filled fraction of one half for a value: 0..1, 0 for a scale of 0 or less.
    static double heightRatio(double value, double maxY);

    // The outbound (upper) or inbound (lower) traffic as an open line through
    // the samples in view, at most a low/high pair per pixel column.
    static QPainterPath trafficLine(const QList<NetworkTrafficSample> &samples, Half half, const Frame &frame);
};

} // namespace trevlamark
