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
#include <QStringList>
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

    static QList<AxisLabel> xAxisLabels(double width, double timeWindowSeconds, double minLabelSpacing,
                                        bool isRunningTest);
    // Top to bottom: maxY … 0 … maxY, as whole numbers.
    static QStringList yAxisLabels(double maxY);

    static QList<double> verticalGridLines(double width, double minVerticalSpacing);
    static QList<double> horizontalGridLines(double height, int horizontalDivisions);

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
