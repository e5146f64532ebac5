#include "engine/wirefinding.h"

#include <cmath>

namespace trevlamark {

std::optional<double> WireFinding::ratio(const PhaseResult &phase)
{
    if (!phase.wireBytes || phase.bytes == 0)
        return std::nullopt;
    return double(*phase.wireBytes) / double(phase.bytes);
}

std::optional<QString> WireFinding::text(const PhaseResult &phase, Phase kind)
{
    const std::optional<double> wire = ratio(phase);
    if (!wire)
        return std::nullopt;
    if (kind == Phase::Read && *wire <= cachedReadRatio) {
        return QStringLiteral("served mostly from this computer's cache: %1 % of the bytes crossed the wire")
            .arg(std::lround(*wire * 100));
    }
    if (*wire >= overheadRatio) {
        return QStringLiteral("%1 % more crossed the wire than the test moved: read-ahead, retransmits or protocol "
                              "overhead").arg(std::lround((*wire - 1) * 100));
    }
    return std::nullopt;
}

std::optional<QString> WireFinding::busyText(const PhaseResult &phase, Phase kind)
{
    if (!phase.wireBefore || phase.wireBefore->seconds <= 0 || phase.throughput <= 0)
        return std::nullopt;
    const quint64 bytes = kind == Phase::Write ? phase.wireBefore->bytesOut : phase.wireBefore->bytesIn;
    const double rate = double(bytes) / phase.wireBefore->seconds * bytesToMegabytes;
    const double share = rate / phase.throughput;
    if (share < busyShare)
        return std::nullopt;
    return QStringLiteral("the interface was busy before the phase: %1 MB/s of other traffic %2, %3 % of the phase's rate")
        .arg(rate, 0, 'f', 1)
        .arg(kind == Phase::Write ? QStringLiteral("sent") : QStringLiteral("received"))
        .arg(std::lround(share * 100));
}

std::optional<QString> WireFinding::line(const PhaseResult &phase, Phase kind)
{
    const std::optional<double> wire = ratio(phase);
    if (!wire)
        return std::nullopt;
    QString line = QStringLiteral("wire %1 MB, %2 × the test's bytes")
                       .arg(double(*phase.wireBytes) / 1048576.0, 0, 'f', 1)
                       .arg(*wire, 0, 'f', 2);
    for (const std::optional<QString> &finding : {text(phase, kind), busyText(phase, kind)}) {
        if (finding)
            line += QStringLiteral(": ") + *finding;
    }
    return line;
}

} // namespace trevlamark
