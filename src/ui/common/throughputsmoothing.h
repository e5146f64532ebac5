#pragma once
// The one smoothing window that the charts and the gauges share when they
// draw the test's throughput as a trailing moving average (ChartSeries and
// NewestPhaseAverage smooth the points as they come).

namespace trevlamark {

class ThroughputSmoothing
{
public:
    ThroughputSmoothing() = delete;

    // The process-wide smoothing window: starts at 1, only grows, never resets.
    // Leading empty samples of a phase widen it to their count plus one.
    static int &processSmoothingWindow();
};

} // namespace trevlamark
