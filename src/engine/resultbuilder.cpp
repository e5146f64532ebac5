#include "engine/resultbuilder.h"

#include <QLocale>
#include <QMap>

namespace trevlamark {

namespace {

QString shortestText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace

PhaseTotals ResultBuilder::totals(const QList<PhaseRecord> &phases, Phase phase)
{
    PhaseTotals totals;
    for (const PhaseRecord &record : phases) {
        if (record.phase == phase) {
            totals.bytes += record.figures.bytes;
            totals.duration += record.figures.duration;
        }
    }
    return totals;
}

QList<CycleResult> ResultBuilder::cycleResults(const QList<PhaseRecord> &phases)
{
    QMap<int, CycleResult> cycles;
    for (const PhaseRecord &record : phases) {
        CycleResult &entry = cycles[record.cycle];
        entry.cycleNumber = record.cycle;
        (record.phase == Phase::Write ? entry.writePhase : entry.readPhase) = record.figures;
    }
    return cycles.values();
}

double ResultBuilder::payloadEfficiency(int mtuBytes)
{
    constexpr int headerBytes = 20 + 32; // IPv4, TCP with timestamps
    constexpr int framingBytes = 8 + 14 + 4 + 12; // preamble, Ethernet header, FCS, inter-frame gap
    if (mtuBytes <= headerBytes)
        return 0;
    return double(mtuBytes - headerBytes) / double(mtuBytes + framingBytes);
}

std::optional<double> ResultBuilder::usableLinkRate(const NetworkInterfaceInfo &link)
{
    if (!link.speedMbps || *link.speedMbps <= 0)
        return std::nullopt;
    const double bytesPerSecond = double(*link.speedMbps) * 1e6 / 8;
    return bytesPerSecond * payloadEfficiency(link.mtu.value_or(1500)) * bytesToMegabytes;
}

void ResultBuilder::judgeAgainstLink(std::optional<PhaseResult> &phase, double usableRate)
{
    if (!phase)
        return;
    phase->linkShare = phase->throughput / usableRate;
    phase->fasterThanLink = phase->throughput > usableRate * fasterThanLinkMargin;
}

PerformanceTestResult ResultBuilder::build(const RunSummary &summary)
{
    const TestRequest &request = summary.request;
    const PhaseTotals read = totals(summary.phases, Phase::Read);
    const PhaseTotals write = totals(summary.phases, Phase::Write);

    PerformanceTestResult result;
    result.timestamp = summary.timestamp;
    result.metrics.insert(QStringLiteral("readSpeed"), read.speed());
    result.metrics.insert(QStringLiteral("writeSpeed"), write.speed());

    auto &details = result.details;
    details.insert(QStringLiteral("testType"), QStringLiteral("Streaming I/O Test"));
    details.insert(QStringLiteral("chunkSize"), displayText(request.chunkSize));
    details.insert(QStringLiteral("bytesPerCycle"),
        QLocale().formattedDataSize(qint64(request.resolvedBytesPerCycle()), 2, QLocale::DataSizeIecFormat));
    details.insert(QStringLiteral("queueDepth"), QString::number(request.queueDepth));
    details.insert(QStringLiteral("disableCache"),
        request.disableCache ? QStringLiteral("Disabled") : QStringLiteral("Enabled"));
    if (summary.errorMessage || summary.stoppedByHand) {
        // A run that ended early reports how far it got.
        details.insert(QStringLiteral("totalCycles"), QString::number(summary.cyclesReached));
        details.insert(QStringLiteral("cycleCompletion"),
            summary.errorMessage ? QStringLiteral("Failed") : QStringLiteral("Manually stopped"));
        details.insert(QStringLiteral("targetCycles"), QString::number(request.totalCycles));
    } else {
        details.insert(QStringLiteral("totalCycles"), QString::number(request.totalCycles));
        details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Complete"));
    }
    details.insert(QStringLiteral("writePhaseEnabled"), yesNo(summary.writePhaseEnabled));
    details.insert(QStringLiteral("readPhaseEnabled"), yesNo(summary.readPhaseEnabled));
    details.insert(QStringLiteral("testPath"), request.testLocation());
    if (summary.interfaceInfo && !summary.interfaceInfo->isEmpty())
        details.insert(QStringLiteral("interfaceInfo"), *summary.interfaceInfo);
    if (read.bytes != 0) {
        details.insert(QStringLiteral("totalReadBytes"), QString::number(read.bytes));
        details.insert(QStringLiteral("readTime"), shortestText(read.duration));
    }
    if (write.bytes != 0) {
        details.insert(QStringLiteral("totalWriteBytes"), QString::number(write.bytes));
        details.insert(QStringLiteral("writeTime"), shortestText(write.duration));
    }

    details.insert(QStringLiteral("verifyData"), yesNo(request.verifyData));

    result.cycleResults = cycleResults(summary.phases);
    const std::optional<double> usableRate = request.link ? usableLinkRate(*request.link) : std::nullopt;
    if (usableRate && *usableRate > 0) {
        result.metrics.insert(QStringLiteral("usableLinkRate"), *usableRate);
        for (CycleResult &cycle : result.cycleResults) {
            judgeAgainstLink(cycle.writePhase, *usableRate);
            judgeAgainstLink(cycle.readPhase, *usableRate);
        }
    }
    result.success = !summary.errorMessage.has_value();
    result.errorMessage = summary.errorMessage;
    result.isAutoStop = !summary.stoppedByHand;
    return result;
}

} // namespace trevlamark
