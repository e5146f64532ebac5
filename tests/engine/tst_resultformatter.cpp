#include "engine/resultformatter.h"

#include <QTest>

using namespace trevlamark;

namespace {

PhaseResult phase(double throughput, quint64 bytes, double duration, double ioToSync, double syncToClose)
{
    PhaseResult result;
    result.throughput = throughput;
    result.bytes = bytes;
    result.duration = duration;
    result.latencyIOToSync = ioToSync;
    result.latencySyncToClose = syncToClose;
    result.latencyTotal = ioToSync + syncToClose;
    return result;
}

PerformanceTestResult completedRun(int cycles)
{
    PerformanceTestResult result;
    result.success = true;
    result.isAutoStop = true;
    result.details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Complete"));
    result.details.insert(QStringLiteral("totalCycles"), QString::number(cycles));
    for (int number = 1; number <= cycles; ++number) {
        CycleResult cycle;
        cycle.cycleNumber = number;
        cycle.writePhase = phase(812.344, 8388608, 0.26, 1.24, 0.34);
        cycle.readPhase = phase(1500.0, 8388608, 0.04, 0.5, 0.12);
        result.cycleResults.append(cycle);
    }
    return result;
}

} // namespace

class tst_ResultFormatter : public QObject
{
    Q_OBJECT

private slots:
    void heading_data();
    void heading();
    void speedLine_data();
    void speedLine();
    void byteCountText_data();
    void byteCountText();
    void phaseDetailLine();
    void completedRunLines();
    void readOnlyCycleHasNoWriteLines();
    void failedRunShowsError_data();
    void failedRunShowsError();
    void progressLine();
};

void tst_ResultFormatter::heading_data()
{
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QString>("completion");
    QTest::addColumn<QString>("totalCycles");
    QTest::addColumn<QString>("targetCycles"); // empty: absent
    QTest::addColumn<QString>("heading");
    QTest::newRow("one cycle") << 1 << "Complete" << "1" << "" << "Details (1 cycle)";
    QTest::newRow("three cycles") << 3 << "Complete" << "3" << "" << "Details (3 cycles)";
    QTest::newRow("no cycles") << 0 << "" << "" << "" << "Details (0 cycles)";
    QTest::newRow("stopped 2 of 5") << 2 << "Manually stopped" << "2" << "5" << "Details 2/5 cycles (Manually stopped)";
    QTest::newRow("stopped without total") << 1 << "Manually stopped" << "" << "5"
                                           << "Details 0/5 cycles (Manually stopped)";
    QTest::newRow("stopped without target") << 2 << "Manually stopped" << "2" << "" << "Details (2 cycles)";
}

void tst_ResultFormatter::heading()
{
    QFETCH(int, cycles);
    QFETCH(QString, completion);
    QFETCH(QString, totalCycles);
    QFETCH(QString, targetCycles);
    QFETCH(QString, heading);
    PerformanceTestResult result = completedRun(cycles);
    result.details.clear();
    if (!completion.isEmpty())
        result.details.insert(QStringLiteral("cycleCompletion"), completion);
    if (!totalCycles.isEmpty())
        result.details.insert(QStringLiteral("totalCycles"), totalCycles);
    if (!targetCycles.isEmpty())
        result.details.insert(QStringLiteral("targetCycles"), targetCycles);
    QCOMPARE(ResultFormatter::heading(result), heading);
}

void tst_ResultFormatter::speedLine_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<QString>("line");
    QTest::newRow("two decimals") << 812.344 << "Write: 812.34 MB/s";
    QTest::newRow("rounds") << 812.345678 << "Write: 812.35 MB/s";
    QTest::newRow("zero") << 0.0 << "Write: 0.00 MB/s";
    QTest::newRow("large") << 12345.6 << "Write: 12345.60 MB/s";
}

void tst_ResultFormatter::speedLine()
{
    QFETCH(double, speed);
    QFETCH(QString, line);
    QCOMPARE(ResultFormatter::speedLine(QStringLiteral("Write"), speed), line);
}

void tst_ResultFormatter::byteCountText_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("bytes") << quint64(1000) << "1000 bytes";
    QTest::newRow("8 MiB") << quint64(8388608) << "8.00 MB";
    QTest::newRow("1.5 GiB") << quint64(1610612736) << "1.50 GB";
    QTest::newRow("4 GiB") << quint64(4294967296) << "4.00 GB";
    QTest::newRow("1 TiB") << quint64(1099511627776) << "1.00 TB";
}

void tst_ResultFormatter::byteCountText()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(ResultFormatter::byteCountText(bytes), text);
}

void tst_ResultFormatter::phaseDetailLine()
{
    QCOMPARE(ResultFormatter::phaseDetailLine(QStringLiteral("Write"), phase(812.34, 8388608, 0.26, 1.24, 0.34)),
             QStringLiteral("Write: 8.00 MB in 0.3s, latencies: I/O→Sync: 1.2ms, Sync→Close: 0.3ms, Total: 1.6ms)"));
    QCOMPARE(ResultFormatter::phaseDetailLine(QStringLiteral("Read"), phase(0, 0, 0, 0, 0)),
             QStringLiteral("Read: 0 bytes in 0.0s, latencies: I/O→Sync: 0.0ms, Sync→Close: 0.0ms, Total: 0.0ms)"));
}

void tst_ResultFormatter::completedRunLines()
{
    PerformanceTestResult result = completedRun(2);
    result.metrics.insert(QStringLiteral("writeSpeed"), 812.344);
    result.metrics.insert(QStringLiteral("readSpeed"), 1500.0);
    result.details.insert(QStringLiteral("totalWriteBytes"), QStringLiteral("16777216"));
    result.details.insert(QStringLiteral("totalReadBytes"), QStringLiteral("16777216"));
    const QStringList expected{
        "Details (2 cycles)",
        "Cycle 1",
        "  Write: 812.34 MB/s",
        "  Read: 1500.00 MB/s",
        "  Write: 8.00 MB in 0.3s, latencies: I/O→Sync: 1.2ms, Sync→Close: 0.3ms, Total: 1.6ms)",
        "  Read: 8.00 MB in 0.0s, latencies: I/O→Sync: 0.5ms, Sync→Close: 0.1ms, Total: 0.6ms)",
        "Cycle 2",
        "  Write: 812.34 MB/s",
        "  Read: 1500.00 MB/s",
        "  Write: 8.00 MB in 0.3s, latencies: I/O→Sync: 1.2ms, Sync→Close: 0.3ms, Total: 1.6ms)",
        "  Read: 8.00 MB in 0.0s, latencies: I/O→Sync: 0.5ms, Sync→Close: 0.1ms, Total: 0.6ms)",
        "Overall write: 812.34 MB/s",
        "Overall read: 1500.00 MB/s",
    };
    QCOMPARE(ResultFormatter::resultLines(result), expected);
}

void tst_ResultFormatter::readOnlyCycleHasNoWriteLines()
{
    PerformanceTestResult result = completedRun(1);
    result.cycleResults[0].writePhase.reset();
    result.metrics.insert(QStringLiteral("writeSpeed"), 0.0);
    result.metrics.insert(QStringLiteral("readSpeed"), 1500.0);
    result.details.insert(QStringLiteral("totalReadBytes"), QStringLiteral("8388608"));
    const QStringList lines = ResultFormatter::resultLines(result);
    QCOMPARE(lines.size(), 5);
    for (const QString &line : lines)
        QVERIFY2(!line.contains(QStringLiteral("Write")) && !line.contains(QStringLiteral("write")), qPrintable(line));
    QCOMPARE(lines.constLast(), QStringLiteral("Overall read: 1500.00 MB/s"));
}

void tst_ResultFormatter::failedRunShowsError_data()
{
    QTest::addColumn<bool>("hasMessage");
    QTest::addColumn<QString>("shown");
    QTest::newRow("with message") << true << "Failed to create test directory";
    QTest::newRow("without message") << false << "Test failed";
}

void tst_ResultFormatter::failedRunShowsError()
{
    QFETCH(bool, hasMessage);
    QFETCH(QString, shown);
    PerformanceTestResult result = PerformanceTestResult::failure(QStringLiteral("Failed to create test directory"));
    if (!hasMessage)
        result.errorMessage.reset();
    // Cycles of a failed result are never listed.
    result.cycleResults = completedRun(1).cycleResults;
    QCOMPARE(ResultFormatter::resultLines(result), (QStringList{"Details (1 cycle)", shown}));
}

void tst_ResultFormatter::progressLine()
{
    QCOMPARE(ResultFormatter::progressLine(QStringLiteral("Cycle 1/2 Write - 0%"), {}),
             QStringLiteral("Cycle 1/2 Write - 0%"));
    StreamResult earlier;
    earlier.throughput = 10;
    StreamResult latest;
    latest.throughput = 812.344;
    QCOMPARE(ResultFormatter::progressLine(QStringLiteral("Cycle 2/5 Read - 75%"), {earlier, latest}),
             QStringLiteral("Cycle 2/5 Read - 75% | 812.34 MB/s"));
}

QTEST_GUILESS_MAIN(tst_ResultFormatter)
#include "tst_resultformatter.moc"
