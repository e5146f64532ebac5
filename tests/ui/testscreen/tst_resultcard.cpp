#include "ui/testscreen/resultcard.h"

#include <QTest>

using namespace trevlamark;

namespace {
PhaseResult phase(double throughput, quint64 bytes)
{
    return PhaseResult{throughput, bytes, 1.26, 3.04, 0.44, 3.48};
}

PerformanceTestResult successWithCycles(int count)
{
    PerformanceTestResult result;
    result.success = true;
    for (int i = 1; i <= count; ++i)
        result.cycleResults.append(CycleResult{i, phase(812.344, 1073741824), phase(1024.5, 1073741824)});
    return result;
}

QStringList texts(const QList<ResultCard::Line> &lines)
{
    QStringList result;
    for (const auto &line : lines)
        result.append(line.text);
    return result;
}
} // namespace

class tst_ResultCard : public QObject
{
    Q_OBJECT

private slots:
    void cycleLines()
    {
        PerformanceTestResult result = successWithCycles(1);
        result.details = {{"chunkSize", "4MB"}, {"queueDepth", "1"}, {"bytesPerCycle", "1.00 GiB"},
                          {"totalCycles", "1"}, {"disableCache", "Enabled"}, {"totalReadBytes", "1073741824"}};
        result.metrics = {{"readSpeed", 1024.5}, {"writeSpeed", 812.344}};
        const QStringList lines = texts(ResultCard::lines(result));
        QCOMPARE(lines, (QStringList{
                            QStringLiteral("Details (1 cycle)"),
                            QStringLiteral("Settings: chunk size 4MB, 1 stream, 1.00 GiB per cycle, 1 cycle, cache bypass off"),
                            QStringLiteral("Cycle 1"),
                            QStringLiteral("Write: 812.34 MB/s"),
                            QStringLiteral("Read: 1024.50 MB/s"),
                            QStringLiteral("Write: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                            QStringLiteral("Read: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                            QStringLiteral("Overall read: 1024.50 MB/s"),
                        }));
    }

    void failure_data()
    {
        QTest::addColumn<std::optional<QString>>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("with message") << std::optional<QString>(QStringLiteral("Test location does not exist"))
                                      << QStringLiteral("Test location does not exist");
        QTest::newRow("without message") << std::optional<QString>() << QStringLiteral("Test failed");
    }

    void failure()
    {
        QFETCH(std::optional<QString>, message);
        QFETCH(QString, expected);
        PerformanceTestResult result = successWithCycles(2);
        result.success = false;
        result.errorMessage = message;
        const auto lines = ResultCard::lines(result);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].text, expected);
        QCOMPARE(lines[1].role, ResultCard::LineRole::Error);
    }
};

QTEST_MAIN(tst_ResultCard)
#include "tst_resultcard.moc"
