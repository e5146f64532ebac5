#pragma once
// Pure arithmetic and texts behind the gauges and the test controls.

#include "engine/testdata.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

namespace trevlamark {

class GaugeGeometry
{
public:
    GaugeGeometry() = delete;

    enum class ButtonColor { Gray, Warm, Cool };

    static constexpr int defaultMtuBytes = 1500;
    static constexpr double defaultGaugeScaleMBps = 200;

    // The link's MB/s less 40 bytes of every MTU-sized packet; an unknown
    // (or impossible, 40 bytes or less) MTU counts as 1500.
    static double usableRateMBps(int linkSpeedMbps, std::optional<int> mtuBytes);
    // Filled fraction 0..1 of the arc.
    static double fraction(double valueMBps, std::optional<int> linkSpeedMbps, std::optional<int> mtuBytes,
                           std::optional<double> dynamicMaxY);
    // Whole percent of the usable link rate (at most 100); none without a link.
    static std::optional<int> percentOfMax(double valueMBps, std::optional<int> linkSpeedMbps,
                                           std::optional<int> mtuBytes);
    static QString percentText(int percent);
    // The box around the part of a ring's arc (drawn clockwise from twelve
    // o'clock) that lies between two filled fractions, grown by `margin` for
    // the pen: all that must be drawn again when the arc moves between them.
    static QRectF arcSpanBounds(const QRectF &ring, double fromFraction, double toFraction, double margin);

    static bool isElapsedTimeShown(bool isRunningTest, double testRunTimeSeconds);
    // "mm:ss" below an hour, "hh:mm:ss" from an hour on.
    static QString elapsedTimeText(double testRunTimeSeconds);

    static QString startStopText(bool isRunningTest, bool isStoppingTest);
    static ButtonColor startStopColor(bool isRunningTest, bool isStoppingTest, bool writePhaseEnabled,
                                      bool readPhaseEnabled);

    // Every character but 0-9 removed.
    static QString digitsOnly(const QString &text);
    static QList<int> cycleChoices();
    static QList<int> queueDepthChoices();
    static QString bytesCountText(quint64 bytes);
};

} // namespace trevlamark
