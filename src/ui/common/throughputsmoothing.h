#pragma once
// The trailing moving average that the charts and the gauges both draw the
// test's throughput points with, and the one smoothing window they share.

#include "engine/testdata.h"

#include <QList>
#include <optional>

namespace trevlamark {

class ThroughputSmoothing
{
public:
    ThroughputSmoothing() = delete;

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
};

} // namespace trevlamark
