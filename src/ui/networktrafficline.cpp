#include "ui/networktrafficline.h"

#include "ui/chartgeometry.h"

#include <algorithm>

namespace trevlamark {

QPainterPath NetworkTrafficLine::path() const
{
    QPainterPath result;
    if (samples.isEmpty())
        return result;

    const QDateTime start = referenceTime.addMSecs(-static_cast<qint64>(timeWindow * 1000.0));
    QList<NetworkTrafficSample> visible;
    for (const NetworkTrafficSample &sample : samples) {
        if (sample.timestamp >= start && sample.timestamp <= referenceTime)
            visible.append(sample);
    }
    std::stable_sort(visible.begin(), visible.end(),
                     [](const NetworkTrafficSample &a, const NetworkTrafficSample &b) {
                         return a.timestamp < b.timestamp;
                     });

    bool first = true;
    for (const NetworkTrafficSample &sample : std::as_const(visible)) {
        const double ratio = ChartGeometry::heightRatio(
            isOutbound ? sample.throughputOut : sample.throughputIn, maxY);
        const double y = isOutbound ? height * (1 - ratio) : height + height * ratio;
        const double x = std::clamp(
            ChartGeometry::xForTime(sample.timestamp, referenceTime, timeWindow, width), 0.0, width);
        if (first)
            result.moveTo(x, y);
        else
            result.lineTo(x, y);
        first = false;
    }
    return result;
}

} // namespace trevlamark
