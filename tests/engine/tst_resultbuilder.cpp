// The result of a run from its typed phase records, and the text the front
// ends show for it.

#include "engine/resultbuilder.h"
#include "engine/resultformatter.h"

#include <QJsonObject>
#include <QTest>

using namespace trevlamark;

namespace {

PhaseRecord record(int cycle, Phase phase, quint64 bytes, double duration)
{
    PhaseResult figures;
    figures.bytes = bytes;
    figures.duration = duration;
    figures.throughput = double(bytes) / duration * bytesToMegabytes;
    return PhaseRecord{cycle, phase, figures};
}

} // namespace

class tst_ResultBuilder : public QObject
{
    Q_OBJECT

private slots:
    void build_data();
    void build();
};

void tst_ResultBuilder::build_data()
{
    QTest::addColumn<QList<PhaseRecord>>("phases");
    QTest::addColumn<QString>("ending"); // complete, stopped or failed
    QTest::addColumn<QJsonObject>("details");
    QTest::addColumn<QStringList>("lines");
    const quint64 m = 1048576;
    const QJsonObject common{{"testType", "Streaming I/O Test"}, {"chunkSize", "1MB"}, {"bytesPerCycle", "8.00 MiB"},
        {"queueDepth", "2"}, {"disableCache", "Disabled"}, {"testPath", "/data"}, {"writePhaseEnabled", "Yes"},
        {"readPhaseEnabled", "Yes"}, {"interfaceInfo", "eth0"}};
    QJsonObject complete = common;
    for (const auto &[key, value] : std::initializer_list<std::pair<const char *, const char *>>{{"totalCycles", "2"},
             {"cycleCompletion", "Complete"}, {"totalWriteBytes", "16777216"}, {"writeTime", "0.25"},
             {"totalReadBytes", "8388608"}, {"readTime", "0.125"}})
        complete.insert(QLatin1String(key), value);
    QTest::newRow("complete, cycle 2 without read")
        << QList<PhaseRecord>{record(1, Phase::Write, 8 * m, 0.125), record(1, Phase::Read, 8 * m, 0.125),
               record(2, Phase::Write, 8 * m, 0.125)}
        << "complete" << complete
        << QStringList{"Details (2 cycles)", "Cycle 1", "  Write: 64.00 MB/s", "  Read: 64.00 MB/s",
               "  Write: 8.00 MB in 0.1s, latencies: I/O→Sync: 0.0ms, Sync→Close: 0.0ms, Total: 0.0ms)",
               "  Read: 8.00 MB in 0.1s, latencies: I/O→Sync: 0.0ms, Sync→Close: 0.0ms, Total: 0.0ms)", "Cycle 2",
               "  Write: 64.00 MB/s",
               "  Write: 8.00 MB in 0.1s, latencies: I/O→Sync: 0.0ms, Sync→Close: 0.0ms, Total: 0.0ms)",
               "Overall write: 64.00 MB/s", "Overall read: 64.00 MB/s"};
    QJsonObject stopped = common;
    stopped.insert("totalCycles", "1");
    stopped.insert("cycleCompletion", "Manually stopped");
    stopped.insert("targetCycles", "2");
    stopped.insert("totalWriteBytes", "4194304");
    stopped.insert("writeTime", "0.5");
    QTest::newRow("stopped by hand") << QList<PhaseRecord>{record(1, Phase::Write, 4 * m, 0.5)} << "stopped" << stopped
                                     << QStringList{"Details 1/2 cycles (Manually stopped)", "Cycle 1",
                                            "  Write: 8.00 MB/s",
                                            "  Write: 4.00 MB in 0.5s, latencies: I/O→Sync: 0.0ms, Sync→Close: "
                                            "0.0ms, Total: 0.0ms)",
                                            "Overall write: 8.00 MB/s"};
    QJsonObject failed = stopped;
    failed.insert("cycleCompletion", "Failed");
    QTest::newRow("failed") << QList<PhaseRecord>{record(1, Phase::Write, 4 * m, 0.5)} << "failed" << failed
                            << QStringList{"Details (1 cycle)", "Write failed: No space left on device"};
}

void tst_ResultBuilder::build()
{
    QFETCH(QList<PhaseRecord>, phases);
    QFETCH(QString, ending);
    QFETCH(QJsonObject, details);
    QFETCH(QStringList, lines);
    RunSummary summary;
    summary.request = TestRequest{.locationPath = QStringLiteral("/data"), .queueDepth = 2,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = 8 * 1048576, .totalCycles = 2};
    summary.phases = phases;
    summary.stoppedByHand = ending == QLatin1String("stopped");
    if (ending == QLatin1String("failed"))
        summary.errorMessage = QStringLiteral("Write failed: No space left on device");
    summary.cyclesReached = 1;
    summary.interfaceInfo = QStringLiteral("eth0");
    summary.timestamp = QDateTime::fromSecsSinceEpoch(1700000000);

    const PerformanceTestResult result = ResultBuilder::build(summary);
    QCOMPARE(result.success, ending != QLatin1String("failed"));
    QCOMPARE(result.isAutoStop, ending != QLatin1String("stopped"));
    const QJsonObject json = result.toJson();
    QCOMPARE(json.value(QStringLiteral("details")).toObject(), details);
    const QJsonObject metrics = json.value(QStringLiteral("metrics")).toObject();
    QCOMPARE(metrics.value(QStringLiteral("writeSpeed")).toDouble(), ending == QLatin1String("complete") ? 64.0 : 8.0);
    QCOMPARE(result.cycleResults.size(), phases.constLast().cycle);
    QCOMPARE(ResultFormatter::resultLines(result), lines);
}

QTEST_GUILESS_MAIN(tst_ResultBuilder)
#include "tst_resultbuilder.moc"
