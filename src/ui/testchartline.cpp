#include "ui/testchartline.h"

#include "ui/chartgeometry.h"

#include <QMap>
#include <algorithm>

namespace trevlamark {

QPainterPath TestChartLine::path(int &smoothingWindow) const
{
    QPainterPath result;
    const QDateTime start = referenceTime.addMSecs(-static_cast<qint64>(timeWindow * 1000.0));

    QMap<int, QList<TestData>> phases;
    for (const TestData &point : data) {
        if ((point.operation == QLatin1String("write")) == isWriteOperation)
            phases[point.phaseId].append(point);
    }
    if (phases.isEmpty()) {
        result.moveTo(0, height);
        result.lineTo(width, height);
        return result;
    }

    const auto inWindow = [&](const TestData &p) {
        return p.timestamp >= start && p.timestamp <= referenceTime;
    };

    // Phases with no point in view are left out before the costly smoothing.
    QList<QList<TestData>> groups;
    for (const QList<TestData> &phase : std::as_const(phases)) {
        if (std::any_of(phase.cbegin(), phase.cend(), inWindow))
            groups.append(ChartGeometry::prepareChartData(phase, std::nullopt, smoothingWindow));
    }
    std::stable_sort(groups.begin(), groups.end(), [](const QList<TestData> &a, const QList<TestData> &b) {
        return a.first().timestamp < b.first().timestamp;
    });

    const auto x = [&](const QDateTime &t) {
        return ChartGeometry::xForTime(t, referenceTime, timeWindow, width);
    };
    for (const QList<TestData> &group : std::as_const(groups)) {
        const auto firstVisible = std::find_if(group.cbegin(), group.cend(), inWindow);
        result.moveTo(std::max(0.0, x(firstVisible->timestamp)), height);
        for (const TestData &point : group) {
            const double px = x(point.timestamp);
            if (px < -0.1 * width)
                continue;
            if (px > 1.1 * width)
                break;
            const double ratio = ChartGeometry::heightRatio(point.throughput, maxY);
            const double py = isWriteOperation ? height - height * ratio : height + height * ratio;
            result.lineTo(std::clamp(px, 0.0, width), py);
        }
        const auto lastShown = std::find_if(group.crbegin(), group.crend(), [&](const TestData &p) {
            return p.timestamp <= referenceTime;
        });
        result.lineTo(std::min(width, x(lastShown->timestamp)), height);
        result.closeSubpath();
    }
    return result;
}

QPainterPath TestChartLine::path() const
{
    return path(ChartGeometry::processSmoothingWindow());
}

} // namespace trevlamark
