#pragma once
// Pure arithmetic behind the throughput chart: smoothing of the chart points
// and the dynamic y maximum shared by the chart, the traffic graphs and the
// gauges.

#include "engine/testdata.h"
#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <optional>

namespace trevlamark {

class ChartGeometry
{
public:
    ChartGeometry() = delete;

    // The process-wide smoothing window: starts at 1, only grows, never resets.
    static int &processSmoothingWindow();

    // Trailing moving average over one phase's time-ordered points. Leading
    // zero samples widen `window` (never narrow it) and are drawn at the first
    // real level once data arrives.
    static QList<TestData> smoothPhase(const QList<TestData> &points, int &window);

    // Filters by phase when given, orders by time and smooths each phase on its own.
    static QList<TestData> prepareChartData(const QList<TestData> &data,
                                            std::optional<int> phaseId, int &window);
    static QList<TestData> prepareChartData(const QList<TestData> &data,
                                            std::optional<int> phaseId = std::nullopt);

    // Largest smoothed throughput, or 125 MB/s without points.
    static double chartMaximum(const QList<TestData> &chartData, int &window);

    // The scale (MB/s) of the graphs and of gauges without a known link.
    static double dynamicMaxY(const QList<TestData> &chartData,
                              const QList<NetworkTrafficSample> &trafficSamples,
                              std::optional<int> linkSpeedMbps, int &window);
    static double dynamicMaxY(const QList<TestData> &chartData,
                              const QList<NetworkTrafficSample> &trafficSamples,
                              std::optional<int> linkSpeedMbps);

    // Seconds from `time` to `referenceTime` (positive when `time` is earlier).
    static double secondsBefore(const QDateTime &time, const QDateTime &referenceTime);

    // x of `time` on a chart `width` wide whose right edge is `referenceTime`.
    static double xForTime(const QDateTime &time, const QDateTime &referenceTime,
                           double timeWindowSeconds, double width);

    // The filled fraction of one half for a value: 0..1, 0 for a scale of 0 or less.
    static double heightRatio(double value, double maxY);
};

} // namespace trevlamark
