#include "engine/resultformatter.h"

#include "engine/wirefinding.h"

#include <QLocale>
#include <tuple>

namespace trevlamark {

namespace {

const QString kIndent = QStringLiteral("  ");

QString oneDecimal(double value)
{
    return QString::asprintf("%.1f", value);
}

} // namespace

QString ResultFormatter::heading(const PerformanceTestResult &result)
{
    const auto completion = result.details.constFind(QStringLiteral("cycleCompletion"));
    const auto target = result.details.constFind(QStringLiteral("targetCycles"));
    if (completion != result.details.cend() && *completion == QLatin1String("Manually stopped")
        && target != result.details.cend()) {
        const QString done = result.details.value(QStringLiteral("totalCycles"), QStringLiteral("0"));
        return QStringLiteral("Details %1/%2 cycles (Manually stopped)").arg(done, *target);
    }
    const qsizetype count = result.cycleResults.size();
    return QStringLiteral("Details (%1 cycle%2)").arg(count).arg(count == 1 ? QString() : QStringLiteral("s"));
}

QString ResultFormatter::speedLine(const QString &label, double megabytesPerSecond)
{
    return label + QStringLiteral(": ") + QString::asprintf("%.2f", megabytesPerSecond) + QStringLiteral(" MB/s");
}

QString ResultFormatter::byteCountText(quint64 bytes)
{
    return QLocale::c().formattedDataSize(qint64(bytes), 2, QLocale::DataSizeTraditionalFormat);
}

QString ResultFormatter::phaseDetailLine(const QString &label, const PhaseResult &phase, const QString &bytesText)
{
    return label + QStringLiteral(": ") + bytesText + QStringLiteral(" in ")
        + oneDecimal(phase.duration) + QStringLiteral("s, latencies: I/O→Sync: ")
        + oneDecimal(phase.latencyIOToSync) + QStringLiteral("ms, Sync→Close: ")
        + oneDecimal(phase.latencySyncToClose) + QStringLiteral("ms, Total: ") + oneDecimal(phase.latencyTotal)
        + QStringLiteral("ms");
}

QString ResultFormatter::operationsLine(const QString &label, const PhaseResult &phase)
{
    const OperationLatency &latency = phase.operationLatency;
    return label + QString::asprintf(": %.1f IOPS, latency p50 %.2f ms, p90 %.2f ms, p99 %.2f ms, p99.9 %.2f ms, "
                                     "max %.2f ms",
                       phase.operationsPerSecond, latency.p50, latency.p90, latency.p99, latency.p999, latency.max);
}

std::optional<QString> ResultFormatter::verdictLine(const QString &label, const PhaseResult &phase)
{
    QStringList parts;
    if (phase.linkShare) {
        QString share = QString::asprintf("%.0f%% of the usable link rate", *phase.linkShare * 100.0);
        if (phase.fasterThanLink)
            share += QStringLiteral(": faster than the link: served from a cache");
        parts.append(share);
    }
    if (phase.directIORefused)
        parts.append(QStringLiteral("cached: the file system refused direct I/O"));
    if (const std::optional<QString> wire = WireFinding::line(phase, label == QLatin1String("Read") ? Phase::Read : Phase::Write))
        parts.append(*wire);
    if (parts.isEmpty())
        return std::nullopt;
    return label + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

QString ResultFormatter::settingsLine(const PerformanceTestResult &result)
{
    const QMap<QString, QString> &details = result.details;
    if (!details.contains(QStringLiteral("chunkSize")))
        return {};
    // A run that ended early keeps its target in targetCycles.
    const QString cycles = details.value(QStringLiteral("targetCycles"), details.value(QStringLiteral("totalCycles")));
    const QString streams = details.value(QStringLiteral("queueDepth"));
    const bool bypass = details.value(QStringLiteral("disableCache")) == QLatin1String("Disabled");
    // Runs stored before the switch existed say nothing about it.
    const QString verify = details.value(QStringLiteral("verifyData"));
    return QStringLiteral("Settings: chunk size %1, %2 stream%3, %4 per cycle, %5 cycle%6, cache bypass %7%8")
        .arg(details.value(QStringLiteral("chunkSize")), streams,
             streams == QLatin1String("1") ? QString() : QStringLiteral("s"),
             details.value(QStringLiteral("bytesPerCycle")), cycles,
             cycles == QLatin1String("1") ? QString() : QStringLiteral("s"),
             bypass ? QStringLiteral("on") : QStringLiteral("off"),
             verify.isEmpty() ? QString()
                 : verify == QLatin1String("Yes") ? QStringLiteral(", data verified on read")
                                                   : QStringLiteral(", data not verified"));
}

std::optional<QString> ResultFormatter::overallSpeedLine(const PerformanceTestResult &result, Phase phase)
{
    // The overall figures exist only for operations that moved data.
    const bool write = phase == Phase::Write;
    if (!result.details.contains(write ? QStringLiteral("totalWriteBytes") : QStringLiteral("totalReadBytes")))
        return std::nullopt;
    return speedLine(QStringLiteral("Overall ") + phaseName(phase),
                     result.metrics.value(write ? QStringLiteral("writeSpeed") : QStringLiteral("readSpeed")));
}

QList<ResultLine> ResultFormatter::lines(const PerformanceTestResult &result, const ByteText &byteText)
{
    using Role = ResultLine::Role;
    QList<ResultLine> lines{{Role::Heading, heading(result)}};
    if (result.paced && result.success) {
        // Per direction its verdict, late frames called out, and the figures behind it.
        const QStringList texts = result.paced->lines();
        qsizetype direction = 0;
        for (const QString &text : texts) {
            if (text.startsWith(kIndent)) {
                lines.append({Role::Detail, text.mid(kIndent.size()), true});
            } else if (direction < result.paced->directions.size()) {
                const PacedDirection &figures = result.paced->directions.at(direction++);
                lines.append({figures.total.lateFrames > 0 ? Role::Warning
                        : figures.capture                  ? Role::WriteFigure
                                                           : Role::ReadFigure,
                    text});
            } else {
                lines.append({Role::Detail, text});
            }
        }
        return lines;
    }
    if (const QString settings = settingsLine(result); !settings.isEmpty())
        lines.append({Role::Detail, settings});
    if (!result.success) {
        lines.append({Role::Error, result.errorMessage.value_or(QStringLiteral("Test failed"))});
        return lines;
    }
    const QString write = QStringLiteral("Write");
    const QString read = QStringLiteral("Read");
    const auto figure = [](const QString &label, Role role, const PhaseResult &phase) {
        return ResultLine{role, speedLine(label, phase.throughput), true};
    };
    // fio reports no latencies of ours for a run from many clients.
    const bool fromClients = !result.clientResults.isEmpty();
    const auto detail = [&](const QString &label, const PhaseResult &phase) {
        return ResultLine{Role::Detail, fromClients
                ? label + QStringLiteral(": %1 in %2s").arg(byteText(phase.bytes), oneDecimal(phase.duration))
                : phaseDetailLine(label, phase, byteText(phase.bytes)),
            true};
    };
    for (const CycleResult &cycle : result.cycleResults) {
        lines.append({Role::Section, QStringLiteral("Cycle %1").arg(cycle.cycleNumber)});
        if (cycle.writePhase)
            lines.append(figure(write, Role::WriteFigure, *cycle.writePhase));
        if (cycle.readPhase)
            lines.append(figure(read, Role::ReadFigure, *cycle.readPhase));
        if (cycle.writePhase)
            lines.append(detail(write, *cycle.writePhase));
        if (cycle.readPhase)
            lines.append(detail(read, *cycle.readPhase));
        if (fromClients)
            continue;
        for (const auto &[label, phase] : {std::pair{write, cycle.writePhase}, std::pair{read, cycle.readPhase}}) {
            if (!phase)
                continue;
            lines.append({Role::Detail, operationsLine(label, *phase), true});
            // A figure a cache made is called out; a plain share of the link is a detail.
            if (const std::optional<QString> verdict = verdictLine(label, *phase))
                lines.append({phase->fasterThanLink || phase->directIORefused
                                      || WireFinding::text(*phase, label == read ? Phase::Read : Phase::Write)
                                      || WireFinding::busyText(*phase, label == read ? Phase::Read : Phase::Write)
                                  ? Role::Warning : Role::Detail, *verdict, true});
        }
    }
    if (const auto line = overallSpeedLine(result, Phase::Write))
        lines.append({Role::WriteFigure, *line});
    if (const auto line = overallSpeedLine(result, Phase::Read))
        lines.append({Role::ReadFigure, *line});
    if (result.metrics.contains(QStringLiteral("usableLinkRate")))
        lines.append({Role::Detail, speedLine(QStringLiteral("Usable link rate"), result.metrics.value(QStringLiteral("usableLinkRate")))});
    // A run from many clients: the figures above are the aggregate.
    for (const ClientResult &client : result.clientResults) {
        if (client.cycleResults.isEmpty())
            continue;
        lines.append({Role::Section, QStringLiteral("Client %1").arg(client.client)});
        for (const CycleResult &cycle : client.cycleResults) {
            for (const auto &[label, phase, role] : {std::tuple{write, cycle.writePhase, Role::WriteFigure},
                     std::tuple{read, cycle.readPhase, Role::ReadFigure}}) {
                if (phase) {
                    lines.append({role, speedLine(QStringLiteral("Cycle %1 %2").arg(cycle.cycleNumber).arg(label), phase->throughput)
                            + QStringLiteral(" (%1 in %2s)").arg(byteText(phase->bytes), oneDecimal(phase->duration)),
                        true});
                }
            }
        }
    }
    return lines;
}

QStringList ResultFormatter::resultLines(const PerformanceTestResult &result)
{
    QStringList texts;
    for (const ResultLine &line : lines(result))
        texts.append(line.indented ? kIndent + line.text : line.text);
    return texts;
}

QString ResultFormatter::progressLine(const QString &message, const QList<StreamResult> &streamResults)
{
    if (streamResults.isEmpty())
        return message;
    return message + QStringLiteral(" | ") + QString::asprintf("%.2f", streamResults.constLast().throughput)
        + QStringLiteral(" MB/s");
}

} // namespace trevlamark
