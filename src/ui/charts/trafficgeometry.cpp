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

double TrafficGeometry::roundStep(double roughStep)
{
    if (!(roughStep > 0) || !std::isfinite(roughStep))
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(roughStep)));
    for (double multiple : {1.0, 2.0, 2.5, 5.0}) {
        // A hair of slack so that 0.3 / 3 still counts as 0.1.
        if (multiple * decade >= roughStep * (1 - 1e-9))
            return multiple * decade;
    }
    return 10 * decade;
}

QString TrafficGeometry::tickText(double value)
{
    return QString::number(value, 'g', 10);
}

namespace {

// Seconds before the right edge at a round step, the farthest first.
QList<double> timeTickSeconds(double width, double timeWindowSeconds, double minLabelSpacing)
{
    QList<double> ticks;
    if (width > 0 && timeWindowSeconds > 0) {
        double step = TrafficGeometry::roundStep(timeWindowSeconds * std::max(1.0, minLabelSpacing) / width);
        // Steps of 2.5 s would put labels on half seconds; 5 s reads better.
        if (step > 1 && step != std::floor(step))
            step *= 2;
        const auto count = static_cast<int>(std::floor(timeWindowSeconds / step + 1e-9));
        for (int k = count; k >= 1; --k)
            ticks.append(k * step);
    }
    return ticks;
}

// Round values above zero up to the scale's top, the smallest first.
QList<double> scaleTickValues(double maxY, double height)
{
    const double half = height / 2;
    QList<double> values;
    if (maxY > 0 && half > 0) {
        const double step = TrafficGeometry::roundStep(maxY * TrafficGeometry::minScaleLabelSpacing / half);
        for (int k = 1; k * step <= maxY * (1 + 1e-9); ++k)
            values.append(k * step);
    }
    return values;
}

} // namespace

QList<TrafficGeometry::AxisLabel> TrafficGeometry::xAxisLabels(double width, double timeWindowSeconds,
                                                               double minLabelSpacing, bool isRunningTest)
{
    QList<AxisLabel> labels;
    const QList<double> ticks = timeTickSeconds(width, timeWindowSeconds, minLabelSpacing);
    for (double seconds : ticks) {
        QString text = QLatin1Char('-') + tickText(seconds);
        if (labels.isEmpty())
            text += QStringLiteral(" s");
        labels.append({width * (1 - seconds / timeWindowSeconds), text});
    }
    labels.append({width, isRunningTest ? QStringLiteral("now") : QStringLiteral("end")});
    return labels;
}

QList<TrafficGeometry::ScaleLabel> TrafficGeometry::yAxisLabels(double maxY, double height)
{
    const double half = height / 2;
    const QList<double> values = scaleTickValues(maxY, height);
    QList<ScaleLabel> labels;
    for (auto it = values.crbegin(); it != values.crend(); ++it)
        labels.append({half - half * *it / maxY, tickText(*it)});
    labels.append({half, QStringLiteral("0")});
    for (double value : values)
        labels.append({half + half * value / maxY, tickText(value)});
    labels.first().text += QStringLiteral(" MB/s");
    return labels;
}

// The grid goes with every frame of a run: it is worked out without the labels' texts.
QList<double> TrafficGeometry::verticalGridLines(double width, double timeWindowSeconds)
{
    QList<double> lines;
    for (double seconds : timeTickSeconds(width, timeWindowSeconds, minTimeLabelSpacing))
        lines.append(width * (1 - seconds / timeWindowSeconds));
    return lines;
}

QList<double> TrafficGeometry::horizontalGridLines(double height, double maxY)
{
    const double half = height / 2;
    const QList<double> values = scaleTickValues(maxY, height);
    QList<double> lines;
    for (auto it = values.crbegin(); it != values.crend(); ++it)
        lines.append(half - half * *it / maxY);
    lines.append(half);
    for (double value : values)
        lines.append(half + half * value / maxY);
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
