#pragma once
// Pure arithmetic and texts behind the graph area and the stand-alone network
// graph: reference time, axis labels, grid, timeline marker dots, zoom steps.

#include "discovery/networkinterfaceinfo.h"
#include "engine/timelinemarker.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace trevlamark {

class TrafficGeometry
{
public:
    TrafficGeometry() = delete;

    struct AxisLabel
    {
        double x = 0;
        QString text;
        bool operator==(const AxisLabel &) const = default;
    };

    struct MarkerBucket
    {
        QString key; // floor(2 × seconds since 1970), as text
        QList<TimelineMarker> markers;
    };

    enum class MarkerColor { Warm, Cool, Red, Gray };

    static constexpr double minimumTimeWindowSeconds = 5;
    static constexpr double maximumTimeWindowSeconds = 3600;
    static constexpr double zoomFactor = 1.5;
    static constexpr double collapsedGraphHeight = 200;

    // Now while running; else the given reference; else the newest data; else now.
    static QDateTime effectiveReferenceTime(bool isRunningTest, const std::optional<QDateTime> &referenceTime,
                                            const std::optional<QDateTime> &newestDataTime, const QDateTime &now);

    // A scale label and the height where it sits, from the top of the plot.
    struct ScaleLabel
    {
        double y = 0;
        QString text;
        bool operator==(const ScaleLabel &) const = default;
    };

    // Least spacing of the time and of the scale labels, in pixels.
    static constexpr double minTimeLabelSpacing = 80;
    static constexpr double minScaleLabelSpacing = 24;

    // The smallest of 1, 2, 2.5 or 5 × 10ⁿ that is at least `roughStep`.
    static double roundStep(double roughStep);
    // A number as short as it can be written: "250", "2.5".
    static QString tickText(double value);

    // Seconds before the right edge at a round step, the oldest first ("-50 s"
    // carries the unit, "-40" … do not), then "now" while running or "end".
    static QList<AxisLabel> xAxisLabels(double width, double timeWindowSeconds, double minLabelSpacing,
                                        bool isRunningTest);
    // Top to bottom on a plot `height` high: round values down to "0" at the
    // midline and up again below it; the top one carries "MB/s".
    static QList<ScaleLabel> yAxisLabels(double maxY, double height);

    // The grid under the labels: x of each time label but "now", y of each scale label.
    static QList<double> verticalGridLines(double width, double timeWindowSeconds);
    static QList<double> horizontalGridLines(double height, double maxY);

    static qint64 markerBucketNumber(const QDateTime &timestamp);
    // Markers grouped by half second, oldest bucket first, markers in list order.
    static QList<MarkerBucket> markerBuckets(const QList<TimelineMarker> &markers);
    // Vertical offset from the midline of marker `index` among `count` of one bucket.
    static double markerOffset(int index, int count);
    // −1 before the window, width + 1 after the reference time (both off the drawing).
    static double markerX(const QDateTime &timestamp, const QDateTime &referenceTime, double timeWindowSeconds,
                          double width);
    static MarkerColor markerColor(const QString &type);
    static QColor markerColor(const QString &type, bool isDarkPalette);

    static double zoomedIn(double timeWindowSeconds);
    static double zoomedOut(double timeWindowSeconds);
    static bool canZoomIn(double timeWindowSeconds);
    static bool canZoomOut(double timeWindowSeconds);
    static QString timeWindowText(double timeWindowSeconds);

    static double graphAreaHeight(bool isExpanded, double mainWindowHeight);
    // The frozen window after a test: its length plus 2 s, in whole seconds.
    static double postTestTimeWindowSeconds(double testDurationSeconds);

    // MB/s shown as Mbit/s with one decimal.
    static QString speedIndicatorText(double speedMBps);
    // "eth0 - WiFi", "eth0 - 10 Gbps", or with the raw media text, or "Unknown speed".
    static QString interfaceLineText(const QString &interfaceID, const std::optional<NetworkInterfaceInfo> &cachedInfo,
                                     const std::optional<QString> &networkRawSpeed);
    static QString interfaceSelectorLabel(const QString &selectedInterface,
                                          const QList<QPair<QString, QString>> &availableInterfaces);
};

} // namespace trevlamark
