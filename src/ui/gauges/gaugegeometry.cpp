#include "ui/gauges/gaugegeometry.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace trevlamark {

double GaugeGeometry::usableRateMBps(int linkSpeedMbps, std::optional<int> mtuBytes)
{
    const double mtu = (mtuBytes && *mtuBytes > 40) ? *mtuBytes : defaultMtuBytes;
    return linkSpeedMbps * 0.125 * (mtu - 40) / mtu;
}

double GaugeGeometry::fraction(double valueMBps, std::optional<int> linkSpeedMbps, std::optional<int> mtuBytes,
                               std::optional<double> dynamicMaxY)
{
    double scale = dynamicMaxY.value_or(defaultGaugeScaleMBps);
    if (linkSpeedMbps && *linkSpeedMbps > 0)
        scale = usableRateMBps(*linkSpeedMbps, mtuBytes);
    if (scale <= 0 || valueMBps <= 0)
        return 0;
    return std::min(1.0, valueMBps / scale);
}

std::optional<int> GaugeGeometry::percentOfMax(double valueMBps, std::optional<int> linkSpeedMbps,
                                               std::optional<int> mtuBytes)
{
    if (!linkSpeedMbps || *linkSpeedMbps <= 0)
        return std::nullopt;
    const double percent = valueMBps / usableRateMBps(*linkSpeedMbps, mtuBytes) * 100;
    return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

QString GaugeGeometry::percentText(int percent)
{
    return QStringLiteral("%1% OF MAX").arg(percent);
}

QRectF GaugeGeometry::arcSpanBounds(const QRectF &ring, double fromFraction, double toFraction, double margin)
{
    const double low = std::clamp(std::min(fromFraction, toFraction), 0.0, 1.0);
    const double high = std::clamp(std::max(fromFraction, toFraction), 0.0, 1.0);
    const QPointF centre = ring.center();
    const auto at = [&](double fraction) {
        const double angle = fraction * 2 * M_PI;
        return QPointF(centre.x() + ring.width() / 2 * std::sin(angle), centre.y() - ring.height() / 2 * std::cos(angle));
    };
    // The ends, and every quarter between them where the arc reaches furthest out.
    QList<QPointF> points{at(low), at(high)};
    for (double quarter = std::ceil(low * 4) / 4; quarter < high; quarter += 0.25)
        points.append(at(quarter));
    QRectF bounds(points.first(), points.first());
    for (const QPointF &point : std::as_const(points)) {
        bounds.setLeft(std::min(bounds.left(), point.x()));
        bounds.setRight(std::max(bounds.right(), point.x()));
        bounds.setTop(std::min(bounds.top(), point.y()));
        bounds.setBottom(std::max(bounds.bottom(), point.y()));
    }
    return bounds.adjusted(-margin, -margin, margin, margin);
}

bool GaugeGeometry::isElapsedTimeShown(bool isRunningTest, double testRunTimeSeconds)
{
    return isRunningTest || testRunTimeSeconds > 0;
}

QString GaugeGeometry::elapsedTimeText(double testRunTimeSeconds)
{
    const auto total = static_cast<qint64>(std::max(0.0, testRunTimeSeconds));
    const auto two = [](qint64 value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    if (total < 3600)
        return two(total / 60) + QLatin1Char(':') + two(total % 60);
    return two(total / 3600) + QLatin1Char(':') + two(total % 3600 / 60) + QLatin1Char(':') + two(total % 60);
}

QString GaugeGeometry::startStopText(bool isRunningTest, bool isStoppingTest)
{
    if (isStoppingTest)
        return QStringLiteral("Stopping");
    return isRunningTest ? QStringLiteral("Stop") : QStringLiteral("Start");
}

GaugeGeometry::ButtonColor GaugeGeometry::startStopColor(bool isRunningTest, bool isStoppingTest,
                                                         bool writePhaseEnabled, bool readPhaseEnabled)
{
    if (isStoppingTest)
        return ButtonColor::Gray;
    if (isRunningTest)
        return ButtonColor::Warm;
    if (!writePhaseEnabled && !readPhaseEnabled)
        return ButtonColor::Gray;
    return ButtonColor::Cool;
}

QString GaugeGeometry::digitsOnly(const QString &text)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    return digits;
}

QList<int> GaugeGeometry::cycleChoices()
{
    return {1, 2, 5, 10, 20, 30, 50};
}

QList<int> GaugeGeometry::queueDepthChoices()
{
    return {1, 2, 4, 8, 16, 32};
}

QString GaugeGeometry::bytesCountText(quint64 bytes)
{
    return QLocale::system().formattedDataSize(static_cast<qint64>(std::min<quint64>(
                                                   bytes, std::numeric_limits<qint64>::max())),
                                               1, QLocale::DataSizeTraditionalFormat);
}

} // namespace trevlamark
