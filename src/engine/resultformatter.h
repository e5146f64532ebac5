#pragma once
// Turns a run's result into the lines the results screen shows, and the live
// status line into text. Pure functions of their inputs.

#include "engine/performancetestresult.h"
#include "engine/phase.h"
#include "engine/resultline.h"
#include "engine/streamresult.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace trevlamark {

class ResultFormatter
{
public:
    using ByteText = std::function<QString(quint64 bytes)>;

    // "Details (2 cycles)", or "Details 2/5 cycles (Manually stopped)".
    static QString heading(const PerformanceTestResult &result);
    // "Write: 812.34 MB/s"
    static QString speedLine(const QString &label, double megabytesPerSecond);
    // "Write: 8.00 MB in 0.1s, latencies: I/O→Sync: 1.2ms, Sync→Close: 0.3ms, Total: 1.5ms)", with the
    // byte count written by the caller.
    static QString phaseDetailLine(const QString &label, const PhaseResult &phase, const QString &bytesText);
    // "Write: 812.3 IOPS, latency p50 1.20 ms, p90 1.51 ms, p99 2.10 ms, p99.9 3.02 ms, max 4.20 ms"
    static QString operationsLine(const QString &label, const PhaseResult &phase);
    // How far to trust the phase's figure: its share of the usable link rate,
    // and whether a cache served it ("Read: 131% of the usable link rate:
    // faster than the link: served from a cache"). Nothing when there is
    // nothing to say.
    static std::optional<QString> verdictLine(const QString &label, const PhaseResult &phase);
    // Binary (1,024-based) units, the C locale's digits: "8.00 MB".
    static QString byteCountText(quint64 bytes);
    // "Settings: chunk size 1MB, 4 streams, 1.00 GiB per cycle, 3 cycles, cache bypass on",
    // so the result stands without the screen it came from; empty for a start
    // that failed before it had settings.
    static QString settingsLine(const PerformanceTestResult &result);
    // "Overall write: 812.34 MB/s"; nothing for a phase that moved no data.
    static std::optional<QString> overallSpeedLine(const PerformanceTestResult &result, Phase phase);
    // The heading, the settings, per cycle its speeds, detail, operations and
    // verdict lines, then the overall speeds, the usable link rate and each client's figures;
    // for a failed run the heading and its error. Sizes are written by byteText,
    // so a screen may show them its own way.
    static QList<ResultLine> lines(const PerformanceTestResult &result, const ByteText &byteText = byteCountText);
    // The lines as plain text, those of a section indented by two spaces.
    static QStringList resultLines(const PerformanceTestResult &result);
    // The engine's progress message and the latest sample's speed.
    static QString progressLine(const QString &message, const QList<StreamResult> &streamResults);
};

} // namespace trevlamark
