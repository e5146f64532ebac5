#include "ui/gauges/gaugegeometry.h"

#include "ui/common/throughputsmoothing.h"

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

double GaugeGeometry::gaugeValue(const QList<TestData> &chartData, const QString &operation, bool isPostTest,
                                 double value, int &smoothingWindow)
{
    if (isPostTest || chartData.isEmpty())
        return value;
    const QString wanted = operation.toLower();
    QList<TestData> points;
    int newestPhase = std::numeric_limits<int>::min();
    for (const TestData &point : chartData) {
        if (point.operation != wanted)
            continue;
        if (point.phaseId > newestPhase) {
            newestPhase = point.phaseId;
            points.clear();
        }
        if (point.phaseId == newestPhase)
            points.append(point);
    }
    const QList<TestData> prepared = ThroughputSmoothing::prepareChartData(points, std::nullopt, smoothingWindow);
    return prepared.isEmpty() ? 0 : prepared.last().throughput;
}

double GaugeGeometry::gaugeValue(const QList<TestData> &chartData, const QString &operation, bool isPostTest,
                                 double value)
{
    return gaugeValue(chartData, operation, isPostTest, value, ThroughputSmoothing::processSmoothingWindow());
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
