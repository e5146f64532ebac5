#include "history/runcomparison.h"

#include <QLocale>
#include <cmath>

namespace trevlamark {

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 2, QLocale::DataSizeIecFormat);
}

// The mean over the cycles that recorded the phase, in milliseconds; nothing
// when no cycle did.
std::optional<double> meanLatency(const RunRecord &record, const QString &phase)
{
    const PerformanceTestResult result = record.testResult();
    double sum = 0;
    int count = 0;
    for (const CycleResult &cycle : result.cycleResults) {
        const std::optional<PhaseResult> &figures = phase == QLatin1String("write") ? cycle.writePhase : cycle.readPhase;
        if (figures) {
            sum += figures->latencyTotal;
            ++count;
        }
    }
    return count > 0 ? std::optional(sum / count) : std::nullopt;
}

QString protocolText(const RunRecord &record)
{
    return record.protocol.isEmpty() ? QStringLiteral("Local") : record.protocol;
}

} // namespace

RunComparison::RunComparison(const RunRecord &first, const RunRecord &second)
{
    addSetting(QStringLiteral("Run"), QString::number(first.id), QString::number(second.id));
    addSetting(QStringLiteral("Date"), first.finishedAtText(), second.finishedAtText());
    addSetting(QStringLiteral("Location"), first.locationPath, second.locationPath);
    addSetting(QStringLiteral("Protocol"), protocolText(first), protocolText(second));
    addSetting(QStringLiteral("Outcome"), runOutcomeText(first.outcome), runOutcomeText(second.outcome));
    addFigure(QStringLiteral("Write speed"), first.writeSpeed(), second.writeSpeed(), QStringLiteral("MB/s"), Better::Higher);
    addFigure(QStringLiteral("Read speed"), first.readSpeed(), second.readSpeed(), QStringLiteral("MB/s"), Better::Higher);
    addFigure(QStringLiteral("Write latency"), meanLatency(first, QStringLiteral("write")),
        meanLatency(second, QStringLiteral("write")), QStringLiteral("ms"), Better::Lower);
    addFigure(QStringLiteral("Read latency"), meanLatency(first, QStringLiteral("read")),
        meanLatency(second, QStringLiteral("read")), QStringLiteral("ms"), Better::Lower);
    addSetting(QStringLiteral("Chunk size"), sizeText(first.chunkSizeBytes), sizeText(second.chunkSizeBytes));
    addSetting(QStringLiteral("Queue depth"), QString::number(first.queueDepth), QString::number(second.queueDepth));
    addSetting(QStringLiteral("Bytes per cycle"), sizeText(first.bytesPerCycle), sizeText(second.bytesPerCycle));
    addSetting(QStringLiteral("Cycles"), QString::number(first.totalCycles), QString::number(second.totalCycles));
    addSetting(QStringLiteral("Cache bypass"), yesNo(first.disableCache), yesNo(second.disableCache));
}

std::optional<double> RunComparison::percentChange(double first, double second)
{
    if (first == 0 || !std::isfinite(first) || !std::isfinite(second))
        return std::nullopt;
    return (second - first) / first * 100.0;
}

QString RunComparison::percentText(const std::optional<double> &change)
{
    if (!change)
        return {};
    return QStringLiteral("%1%2 %").arg(*change >= 0 ? QStringLiteral("+") : QString()).arg(*change, 0, 'f', 1);
}

QString RunComparison::verdictText(const std::optional<bool> &better)
{
    if (!better)
        return {};
    return *better ? QStringLiteral("better") : QStringLiteral("worse");
}

void RunComparison::addFigure(const QString &label, std::optional<double> first, std::optional<double> second,
                              const QString &unit, Better better)
{
    const auto text = [&](const std::optional<double> &value) {
        return value ? QStringLiteral("%1 %2").arg(*value, 0, 'f', 2).arg(unit) : QStringLiteral("—");
    };
    const std::optional<double> change = first && second ? percentChange(*first, *second) : std::nullopt;
    // Under half a percent is noise in a storage benchmark, not a verdict.
    std::optional<bool> verdict;
    if (change && std::abs(*change) >= 0.5)
        verdict = (*change > 0) == (better == Better::Higher);
    m_rows.append(Row{label, text(first), text(second), change, verdict});
}

void RunComparison::addSetting(const QString &label, const QString &first, const QString &second)
{
    m_rows.append(Row{label, first, second, std::nullopt});
}

QString RunComparison::text() const
{
    qsizetype labelWidth = 0;
    qsizetype firstWidth = 0;
    qsizetype secondWidth = 0;
    for (const Row &row : m_rows) {
        labelWidth = std::max(labelWidth, row.label.size());
        firstWidth = std::max(firstWidth, row.first.size());
        secondWidth = std::max(secondWidth, row.second.size());
    }
    QString text;
    for (const Row &row : m_rows) {
        text += QStringLiteral("%1  %2  %3  %4 %5")
                    .arg(row.label, -int(labelWidth))
                    .arg(row.first, -int(firstWidth))
                    .arg(row.second, -int(secondWidth))
                    .arg(percentText(row.percentChange), verdictText(row.better))
                    .trimmed()
              + QLatin1Char('\n');
    }
    return text;
}

} // namespace trevlamark
