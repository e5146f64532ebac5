// The result text the CLI prints and the results card shows; the lines of
// whole results are checked with the result builder.

#include "engine/resultformatter.h"

#include <QTest>

using namespace trevlamark;

class tst_ResultFormatter : public QObject
{
    Q_OBJECT

private slots:
    void heading_data();
    void heading();
    void byteCountText_data();
    void byteCountText();
    void failedRunShowsError();
    void progressLine();
};

void tst_ResultFormatter::heading_data()
{
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QStringList>("details"); // cycleCompletion, totalCycles, targetCycles; empty: absent
    QTest::addColumn<QString>("heading");
    QTest::newRow("one cycle") << 1 << QStringList{"Complete", "1", ""} << "Details (1 cycle)";
    QTest::newRow("no cycles") << 0 << QStringList{"", "", ""} << "Details (0 cycles)";
    QTest::newRow("stopped 2 of 5") << 2 << QStringList{"Manually stopped", "2", "5"}
                                    << "Details 2/5 cycles (Manually stopped)";
    QTest::newRow("stopped without total") << 1 << QStringList{"Manually stopped", "", "5"}
                                           << "Details 0/5 cycles (Manually stopped)";
}

void tst_ResultFormatter::heading()
{
    QFETCH(int, cycles);
    QFETCH(QStringList, details);
    QFETCH(QString, heading);
    PerformanceTestResult result;
    result.success = true;
    result.cycleResults.resize(cycles);
    const QStringList keys{"cycleCompletion", "totalCycles", "targetCycles"};
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (!details.at(i).isEmpty())
            result.details.insert(keys.at(i), details.at(i));
    }
    QCOMPARE(ResultFormatter::heading(result), heading);
}

void tst_ResultFormatter::byteCountText_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("bytes") << quint64(1000) << "1000 bytes";
    QTest::newRow("8 MiB") << quint64(8388608) << "8.00 MB";
    QTest::newRow("1.5 GiB") << quint64(1610612736) << "1.50 GB";
    QTest::newRow("1 TiB") << quint64(1099511627776) << "1.00 TB";
}

void tst_ResultFormatter::byteCountText()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(ResultFormatter::byteCountText(bytes), text);
}

void tst_ResultFormatter::failedRunShowsError()
{
    PerformanceTestResult result = PerformanceTestResult::failure(QStringLiteral("Failed to create test directory"));
    // Cycles of a failed result are never listed.
    result.cycleResults.resize(1);
    QCOMPARE(ResultFormatter::resultLines(result), (QStringList{"Details (1 cycle)", "Failed to create test directory"}));
    result.errorMessage.reset();
    QCOMPARE(ResultFormatter::resultLines(result), (QStringList{"Details (1 cycle)", "Test failed"}));
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
