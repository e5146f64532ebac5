#include "ui/charts/trafficgeometry.h"

#include "ui/charts/chartgeometry.h"
#include "ui/common/themecolors.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace trevlamark {

QDateTime TrafficGeometry::effectiveReferenceTime(bool isRunningTest, const std::optional<QDateTime> &referenceTime,
                                                  const std::optional<QDateTime> &newestDataTime,
                                                  const QDateTime &now)
{
    if (isRunningTest)
        return now;
    if (referenceTime && referenceTime->isValid())
        return *referenceTime;
    if (newestDataTime && newestDataTime->isValid())
        return *newestDataTime;
    return now;
}

QList<TrafficGeometry::AxisLabel> TrafficGeometry::xAxisLabels(double width, double timeWindowSeconds,
                                                               double minLabelSpacing, bool isRunningTest)
{
    const int n = minLabelSpacing > 0 ? std::max(2, static_cast<int>(std::floor(width / minLabelSpacing))) : 2;
    QList<AxisLabel> labels;
    labels.reserve(n + 1);
    // Whole seconds would repeat when labels are less than a second apart.
    const bool tenths = timeWindowSeconds / n < 1;
    for (int i = 0; i <= n; ++i) {
        AxisLabel label;
        label.x = width * i / n;
        if (i < n) {
            const double secondsAgo = timeWindowSeconds * (n - i) / n;
            label.text = tenths ? QStringLiteral("-%1s").arg(secondsAgo, 0, 'f', 1)
                                : QStringLiteral("-%1s").arg(static_cast<qint64>(secondsAgo));
        } else {
            label.text = isRunningTest ? QStringLiteral("now") : QStringLiteral("end");
        }
        if (!labels.isEmpty() && labels.last().text == label.text)
            continue;
        labels.append(label);
    }
    return labels;
}

QStringList TrafficGeometry::yAxisLabels(double maxY)
{
    const auto whole = [](double value) { return QString::number(static_cast<qint64>(value)); };
    const QStringList upper{whole(maxY), whole(0.75 * maxY), whole(0.5 * maxY), whole(0.25 * maxY)};
    QStringList labels = upper;
    labels.append(QStringLiteral("0"));
    for (auto it = upper.crbegin(); it != upper.crend(); ++it)
        labels.append(*it);
    return labels;
}

QList<double> TrafficGeometry::verticalGridLines(double width, double minVerticalSpacing)
{
    const int n = minVerticalSpacing > 0 ? std::max(2, static_cast<int>(std::floor(width / minVerticalSpacing))) : 2;
    QList<double> lines;
    for (int i = 0; i < n; ++i)
        lines.append(width * i / n);
    return lines;
}

QList<double> TrafficGeometry::horizontalGridLines(double height, int horizontalDivisions)
{
    const int divisions = std::max(1, horizontalDivisions);
    QList<double> lines;
    for (int i = 0; i <= divisions; ++i)
        lines.append(height * i / divisions);
    return lines;
}

qint64 TrafficGeometry::markerBucketNumber(const QDateTime &timestamp)
{
    // floor(2 × seconds) is the number of whole half seconds.
    const qint64 msecs = timestamp.toMSecsSinceEpoch();
    return msecs >= 0 ? msecs / 500 : -((-msecs + 499) / 500);
}

QList<TrafficGeometry::MarkerBucket> TrafficGeometry::markerBuckets(const QList<TimelineMarker> &markers)
{
    QMap<qint64, QList<TimelineMarker>> byNumber;
    for (const TimelineMarker &marker : markers)
        byNumber[markerBucketNumber(marker.timestamp)].append(marker);
    QList<MarkerBucket> buckets;
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        buckets.append({QString::number(it.key()), it.value()});
    return buckets;
}

double TrafficGeometry::markerOffset(int index, int count)
{
    if (count <= 1)
        return 0;
    const double spread = std::min(6.0 * count, 60.0);
    const int half = count / 2;
    const double step = spread / half;
    if (count % 2 == 1)
        return (index - half) * step;
    if (index < half)
        return -step * (index + 1);
    return step * (index - half + 1);
}

double TrafficGeometry::markerX(const QDateTime &timestamp, const QDateTime &referenceTime,
                                double timeWindowSeconds, double width)
{
    const QDateTime start = referenceTime.addMSecs(-static_cast<qint64>(timeWindowSeconds * 1000.0));
    if (timestamp < start)
        return -1;
    if (timestamp > referenceTime)
        return width + 1;
    if (timeWindowSeconds <= 0)
        return width;
    return width * ChartGeometry::secondsBefore(start, timestamp) / timeWindowSeconds;
}

TrafficGeometry::MarkerColor TrafficGeometry::markerColor(const QString &type)
{
    if (type == QLatin1String("write"))
        return MarkerColor::Warm;
    if (type == QLatin1String("read"))
        return MarkerColor::Cool;
    if (type == QLatin1String("error"))
        return MarkerColor::Red;
    return MarkerColor::Gray;
}

QColor TrafficGeometry::markerColor(const QString &type, bool isDarkPalette)
{
    switch (markerColor(type)) {
    case MarkerColor::Warm:
        return ThemeColors::warm(isDarkPalette);
    case MarkerColor::Cool:
        return ThemeColors::cool(isDarkPalette);
    case MarkerColor::Red:
        return QColor(Qt::red);
    case MarkerColor::Gray:
        break;
    }
    return QColor(Qt::gray);
}

double TrafficGeometry::zoomedIn(double timeWindowSeconds)
{
    return std::max(timeWindowSeconds / zoomFactor, minimumTimeWindowSeconds);
}

double TrafficGeometry::zoomedOut(double timeWindowSeconds)
{
    return std::min(timeWindowSeconds * zoomFactor, maximumTimeWindowSeconds);
}

bool TrafficGeometry::canZoomIn(double timeWindowSeconds)
{
    return timeWindowSeconds > minimumTimeWindowSeconds;
}

bool TrafficGeometry::canZoomOut(double timeWindowSeconds)
{
    return timeWindowSeconds < maximumTimeWindowSeconds;
}

QString TrafficGeometry::timeWindowText(double timeWindowSeconds)
{
    return QStringLiteral("%1s").arg(static_cast<qint64>(timeWindowSeconds));
}

double TrafficGeometry::graphAreaHeight(bool isExpanded, double mainWindowHeight)
{
    if (!isExpanded)
        return collapsedGraphHeight;
    return std::max(300.0, mainWindowHeight - 440);
}

double TrafficGeometry::postTestTimeWindowSeconds(double testDurationSeconds)
{
    return std::ceil(testDurationSeconds + 2.0);
}

QString TrafficGeometry::speedIndicatorText(double speedMBps)
{
    return QString::asprintf("%.1f Mbits/s", speedMBps * 8);
}

QString TrafficGeometry::interfaceLineText(const QString &interfaceID,
                                           const std::optional<NetworkInterfaceInfo> &cachedInfo,
                                           const std::optional<QString> &networkRawSpeed)
{
    if (cachedInfo && cachedInfo->isWifi)
        return interfaceID + QStringLiteral(" - WiFi");
    if (cachedInfo && cachedInfo->speed)
        return interfaceID + QStringLiteral(" - ") + *cachedInfo->speed;
    if (networkRawSpeed)
        return interfaceID + QStringLiteral(" - ") + *networkRawSpeed;
    return interfaceID + QStringLiteral(" - Unknown speed");
}

QString TrafficGeometry::interfaceSelectorLabel(const QString &selectedInterface,
                                                const QList<QPair<QString, QString>> &availableInterfaces)
{
    if (selectedInterface.isEmpty())
        return QStringLiteral("Select Interface");
    for (const auto &[id, name] : availableInterfaces) {
        if (id == selectedInterface)
            return name;
    }
    return QStringLiteral("Virtual: ") + selectedInterface;
}

} // namespace trevlamark
