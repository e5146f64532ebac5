// The result of a run from its typed phase records, and the text the CLI
// prints and the results card shows for it.

#include "engine/resultbuilder.h"
#include "engine/resultformatter.h"

#include <QJsonObject>
#include <QTest>
#include <algorithm>

using namespace trevlamark;

namespace {

PhaseRecord record(int cycle, Phase phase, quint64 bytes, double duration)
{
    PhaseResult figures;
    figures.bytes = bytes;
    figures.duration = duration;
    figures.throughput = double(bytes) / duration * bytesToMegabytes;
    figures.operations = bytes >> 20;
    figures.operationsPerSecond = double(figures.operations) / duration;
    figures.operationLatency = OperationLatency{1, 2, 3, 4, 5};
    figures.directIORefused = phase == Phase::Read;
    return PhaseRecord{cycle, phase, figures};
}

} // namespace

class tst_ResultBuilder : public QObject
{
    Q_OBJECT

private slots:
    void build_data();
    void build();
    void textPieces();
};

void tst_ResultBuilder::build_data()
{
    QTest::addColumn<QString>("ending"); // complete, stopped or failed
    QTest::addColumn<QJsonObject>("details"); // beside those every result has
    QTest::addColumn<QStringList>("lines");
    const QString operations = QStringLiteral("  %1: %2 IOPS, latency p50 1.00 ms, p90 2.00 ms, p99 3.00 ms, "
                                              "p99.9 4.00 ms, max 5.00 ms");
    // Complete: over a 500 Mb/s link with a 1500-byte MTU (56.12 MB/s usable), 64 MB/s came from a cache.
    const QString fromCache = QStringLiteral("114% of the usable link rate: faster than the link: served from a cache");
    const QString refused = QStringLiteral("cached: the file system refused direct I/O");
    const QString detail = QStringLiteral("  %1: %2 MB in %3s, latencies: I/O→Sync: 0.0ms, Sync→Close: 0.0ms, Total: 0.0ms");
    QTest::newRow("complete") << "complete"
                              << QJsonObject{{"totalCycles", "2"}, {"cycleCompletion", "Complete"},
                                     {"totalWriteBytes", "16777216"}, {"writeTime", "0.25"},
                                     {"totalReadBytes", "8388608"}, {"readTime", "0.125"}}
                              << QStringList{"Details (2 cycles)", "Cycle 1", "  Write: 64.00 MB/s", "  Read: 64.00 MB/s",
                                     detail.arg("Write", "8.00", "0.1"), detail.arg("Read", "8.00", "0.1"),
                                     operations.arg("Write", "64.0"), "  Write: " + fromCache,
                                     operations.arg("Read", "64.0"), "  Read: " + fromCache + "; " + refused, "Cycle 2",
                                     "  Write: 64.00 MB/s", detail.arg("Write", "8.00", "0.1"),
                                     operations.arg("Write", "64.0"), "  Write: " + fromCache,
                                     "Overall write: 64.00 MB/s", "Overall read: 64.00 MB/s",
                                     "Usable link rate: 56.12 MB/s"};
    const QJsonObject early{{"totalCycles", "1"}, {"targetCycles", "2"}, {"totalWriteBytes", "4194304"},
        {"writeTime", "0.5"}};
    QJsonObject stopped = early;
    stopped.insert("cycleCompletion", "Manually stopped");
    QTest::newRow("stopped by hand") << "stopped" << stopped
                                     << QStringList{"Details 1/2 cycles (Manually stopped)", "Cycle 1",
                                            "  Write: 8.00 MB/s", detail.arg("Write", "4.00", "0.5"),
                                            operations.arg("Write", "8.0"), "Overall write: 8.00 MB/s"};
    QJsonObject failed = early;
    failed.insert("cycleCompletion", "Failed");
    QTest::newRow("failed") << "failed" << failed
                            << QStringList{"Details (1 cycle)", "Write failed: No space left on device"};
}

void tst_ResultBuilder::build()
{
    QFETCH(QString, ending);
    QFETCH(QJsonObject, details);
    QFETCH(QStringList, lines);
    const quint64 m = 1048576;
    RunSummary summary;
    summary.request = TestRequest{.locationPath = QStringLiteral("/data"), .queueDepth = 2,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = 8 * m, .totalCycles = 2};
    if (ending == QLatin1String("complete"))
        summary.phases = {record(1, Phase::Write, 8 * m, 0.125), record(1, Phase::Read, 8 * m, 0.125),
            record(2, Phase::Write, 8 * m, 0.125)};
    else
        summary.phases = {record(1, Phase::Write, 4 * m, 0.5)};
    summary.stoppedByHand = ending == QLatin1String("stopped");
    if (ending == QLatin1String("failed"))
        summary.errorMessage = QStringLiteral("Write failed: No space left on device");
    summary.cyclesReached = 1;
    if (ending == QLatin1String("complete"))
        summary.request.link = NetworkInterfaceInfo{.interfaceID = "eth0", .speedMbps = 500, .mtu = 1500};
    summary.interfaceInfo = QStringLiteral("eth0");
    const QJsonObject common{{"testType", "Streaming I/O Test"}, {"chunkSize", "1MB"}, {"bytesPerCycle", "8.00 MiB"},
        {"queueDepth", "2"}, {"disableCache", "Disabled"}, {"testPath", "/data"}, {"writePhaseEnabled", "Yes"},
        {"readPhaseEnabled", "Yes"}, {"interfaceInfo", "eth0"}, {"verifyData", "No"}};
    for (auto it = common.begin(); it != common.end(); ++it)
        details.insert(it.key(), it.value());

    const PerformanceTestResult result = ResultBuilder::build(summary);
    QCOMPARE(result.success, ending != QLatin1String("failed"));
    QCOMPARE(result.isAutoStop, ending != QLatin1String("stopped"));
    QCOMPARE(result.toJson().value(QStringLiteral("details")).toObject(), details);
    QCOMPARE(result.cycleResults.size(), summary.phases.constLast().cycle);
    // Every ending names the settings it ran with, the target cycles included.
    lines.insert(1, QStringLiteral("Settings: chunk size 1MB, 2 streams, 8.00 MiB per cycle, 2 cycles, cache bypass on, data not verified"));
    QCOMPARE(ResultFormatter::resultLines(result), lines);
    QCOMPARE(result.metrics.contains(QStringLiteral("usableLinkRate")), summary.request.link.has_value());
    // A stored run comes back as it was made, a client's own figures included.
    PerformanceTestResult stored = result;
    stored.clientResults = {ClientResult{QStringLiteral("10.0.0.2:8765"), {{"writeSpeed", 64.0}}, result.cycleResults}};
    QCOMPARE(PerformanceTestResult::fromJson(stored.toJson()), stored);
}

void tst_ResultBuilder::textPieces()
{
    QCOMPARE(qRound(ResultBuilder::payloadEfficiency(1500) * 1000), 941);
    QCOMPARE(qRound(ResultBuilder::payloadEfficiency(9000) * 1000), 990);
    // Just inside the margin is no cache; a link without a known speed gets no verdict.
    const double usable = ResultBuilder::usableLinkRate(NetworkInterfaceInfo{.speedMbps = 1000}).value();
    RunSummary summary;
    summary.request.link = NetworkInterfaceInfo{.speedMbps = 1000};
    summary.phases = {record(1, Phase::Write, quint64(usable * 1.049 * 1048576), 1.0)};
    const PhaseResult judged = *ResultBuilder::build(summary).cycleResults.at(0).writePhase;
    QVERIFY(!judged.fasterThanLink && qAbs(*judged.linkShare - 1.049) < 1e-6);
    QCOMPARE(ResultFormatter::verdictLine(QStringLiteral("Write"), judged),
        std::optional<QString>(QStringLiteral("Write: 105% of the usable link rate")));
    summary.request.link = NetworkInterfaceInfo{.speedMbps = std::nullopt};
    QVERIFY(!ResultBuilder::build(summary).cycleResults.at(0).writePhase->linkShare);

    // A figure a cache made stands out from a plain share of the link; a failure is an error.
    summary.request.link = NetworkInterfaceInfo{.speedMbps = 1000};
    summary.phases.append(record(1, Phase::Read, quint64(usable * 2 * 1048576), 1.0));
    const QList<ResultLine> lines = ResultFormatter::lines(ResultBuilder::build(summary));
    const auto roleOf = [&lines](const QString &start) {
        const auto line = std::ranges::find_if(lines, [&start](const ResultLine &each) { return each.text.startsWith(start); });
        return line == lines.cend() ? std::optional<ResultLine::Role>() : std::optional(line->role);
    };
    QCOMPARE(roleOf(QStringLiteral("Write: 105%")), std::optional(ResultLine::Role::Detail));
    QCOMPARE(roleOf(QStringLiteral("Read: 200%")), std::optional(ResultLine::Role::Warning));
    QCOMPARE(roleOf(QStringLiteral("Usable link rate: ")), std::optional(ResultLine::Role::Detail));
    PerformanceTestResult result = PerformanceTestResult::failure(QString());
    result.errorMessage.reset();
    QCOMPARE(ResultFormatter::resultLines(result), (QStringList{"Details (0 cycles)", "Test failed"}));
    QCOMPARE(ResultFormatter::lines(result).constLast().role, ResultLine::Role::Error);
    result.details = {{"cycleCompletion", "Manually stopped"}, {"targetCycles", "5"}};
    QCOMPARE(ResultFormatter::heading(result), QStringLiteral("Details 0/5 cycles (Manually stopped)"));
    QCOMPARE(ResultFormatter::byteCountText(1000), QStringLiteral("1000 bytes"));
    QCOMPARE(ResultFormatter::byteCountText(1610612736), QStringLiteral("1.50 GB"));
    QCOMPARE(ResultFormatter::byteCountText(1099511627776), QStringLiteral("1.00 TB"));
    StreamResult earlier;
    earlier.throughput = 10;
    StreamResult latest;
    latest.throughput = 812.344;
    QCOMPARE(ResultFormatter::progressLine(QStringLiteral("Cycle 2/5 Read - 75%"), {earlier, latest}),
        QStringLiteral("Cycle 2/5 Read - 75% | 812.34 MB/s"));
    QCOMPARE(ResultFormatter::progressLine(QStringLiteral("Cycle 1/2 Write - 0%"), {}),
        QStringLiteral("Cycle 1/2 Write - 0%"));
}

QTEST_GUILESS_MAIN(tst_ResultBuilder)
#include "tst_resultbuilder.moc"
