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

// The mean over the cycles that recorded the phase, in milliseconds.
double meanLatency(const RunRecord &record, const QString &phase)
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
    return count > 0 ? sum / count : 0;
}

} // namespace

RunComparison::RunComparison(const RunRecord &first, const RunRecord &second)
{
    addSetting(QStringLiteral("Run"), QString::number(first.id), QString::number(second.id));
    addSetting(QStringLiteral("Date"), first.finishedAt.toLocalTime().toString(Qt::ISODate),
        second.finishedAt.toLocalTime().toString(Qt::ISODate));
    addSetting(QStringLiteral("Location"), first.locationPath, second.locationPath);
    addSetting(QStringLiteral("Protocol"), first.protocol, second.protocol);
    addSetting(QStringLiteral("Outcome"), runOutcomeText(first.outcome), runOutcomeText(second.outcome));
    addFigure(QStringLiteral("Write speed"), first.writeMegabytesPerSecond, second.writeMegabytesPerSecond,
        QStringLiteral("MB/s"));
    addFigure(QStringLiteral("Read speed"), first.readMegabytesPerSecond, second.readMegabytesPerSecond,
        QStringLiteral("MB/s"));
    addFigure(QStringLiteral("Write latency"), meanLatency(first, QStringLiteral("write")),
        meanLatency(second, QStringLiteral("write")), QStringLiteral("ms"));
    addFigure(QStringLiteral("Read latency"), meanLatency(first, QStringLiteral("read")),
        meanLatency(second, QStringLiteral("read")), QStringLiteral("ms"));
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

void RunComparison::addFigure(const QString &label, double first, double second, const QString &unit)
{
    const auto text = [&](double value) { return QStringLiteral("%1 %2").arg(value, 0, 'f', 2).arg(unit); };
    m_rows.append(Row{label, text(first), text(second), percentChange(first, second)});
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
        text += QStringLiteral("%1  %2  %3  %4")
                    .arg(row.label, -int(labelWidth))
                    .arg(row.first, -int(firstWidth))
                    .arg(row.second, -int(secondWidth))
                    .arg(percentText(row.percentChange))
                    .trimmed()
              + QLatin1Char('\n');
    }
    return text;
}

} // namespace trevlamark
