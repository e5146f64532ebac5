#pragma once
// The trailing moving average worked out from scratch over whole phases: the
// figures that the charts and the gauges, which smooth point by point as a
// run's samples come, must come to.

#include "engine/testdata.h"

#include <QList>
#include <QMap>
#include <algorithm>
#include <utility>

// One phase's time-ordered throughputs, each the mean of itself and up to
// `window` - 1 before it. Leading empty samples widen `window` (never narrow
// it) and take the first real level once data arrives.
inline QList<double> smoothedFromScratch(const QList<double> &values, int &window)
{
    qsizetype leadingZeros = 0;
    while (leadingZeros < values.size() && values.at(leadingZeros) == 0)
        ++leadingZeros;
    if (leadingZeros > 0 && leadingZeros < values.size())
        window = std::max(window, int(leadingZeros) + 1);
    QList<double> smoothed;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const qsizetype first = std::max<qsizetype>(0, i - window + 1);
        double sum = 0;
        for (qsizetype j = first; j <= i; ++j)
            sum += values.at(j);
        smoothed.append(sum / double(i - first + 1));
    }
    if (leadingZeros > 0 && leadingZeros < values.size())
        std::fill(smoothed.begin(), smoothed.begin() + leadingZeros, smoothed.at(leadingZeros));
    return smoothed;
}

// Every phase of `points` (by operation and phase id) smoothed on its own, in time order.
inline QMap<std::pair<QString, int>, QList<double>> smoothedPhasesFromScratch(QList<trevlamark::TestData> points,
                                                                              int &window)
{
    using trevlamark::TestData;
    std::stable_sort(points.begin(), points.end(),
                     [](const TestData &a, const TestData &b) { return a.timestamp < b.timestamp; });
    QMap<std::pair<QString, int>, QList<double>> phases;
    for (const TestData &point : std::as_const(points))
        phases[{point.operation, point.phaseId}].append(point.throughput);
    for (QList<double> &phase : phases)
        phase = smoothedFromScratch(phase, window);
    return phases;
}
