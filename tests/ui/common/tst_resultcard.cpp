#include "ui/app/appearancecontroller.h"
#include "ui/common/resultcard.h"
#include "ui/common/themecolors.h"

#include <QLabel>
#include <QTest>

using namespace trevlamark;

namespace {
PhaseResult phase(double throughput, quint64 bytes)
{
    PhaseResult result{throughput, bytes, 1.26, 3.04, 0.44, 3.48};
    result.operationsPerSecond = 812.3;
    result.operationLatency = OperationLatency{1.2, 1.5, 2.1, 3.02, 4.2};
    result.linkShare = throughput / 900;
    result.fasterThanLink = throughput > 900 * 1.05;
    return result;
}

PerformanceTestResult successWithCycles(int count)
{
    PerformanceTestResult result;
    result.success = true;
    for (int i = 1; i <= count; ++i)
        result.cycleResults.append(CycleResult{i, phase(812.344, 1073741824), phase(1024.5, 1073741824)});
    return result;
}

QStringList texts(const QList<ResultLine> &lines)
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
        const QList<ResultLine> cardLines = ResultCard::lines(result);
        const QStringList lines = texts(cardLines);
        const QString operations = QStringLiteral(
            "%1: 812.3 IOPS, latency p50 1.20 ms, p90 1.50 ms, p99 2.10 ms, p99.9 3.02 ms, max 4.20 ms");
        QCOMPARE(lines, (QStringList{
                            QStringLiteral("Details (1 cycle)"),
                            QStringLiteral("Settings: chunk size 4MB, 1 stream, 1.00 GiB per cycle, 1 cycle, cache bypass off"),
                            QStringLiteral("Cycle 1"),
                            QStringLiteral("Write: 812.34 MB/s"),
                            QStringLiteral("Read: 1024.50 MB/s"),
                            QStringLiteral("Write: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                            QStringLiteral("Read: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                            operations.arg("Write"),
                            QStringLiteral("Write: 90% of the usable link rate"),
                            operations.arg("Read"),
                            QStringLiteral("Read: 114% of the usable link rate: faster than the link: served from a cache"),
                            QStringLiteral("Overall read: 1024.50 MB/s"),
                        }));
        // A figure a cache made stands out from the plain share of the link.
        QCOMPARE(cardLines.at(8).role, ResultLine::Role::Detail);
        QCOMPARE(cardLines.at(10).role, ResultLine::Role::Warning);
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
        QCOMPARE(lines[1].role, ResultLine::Role::Error);
    }

    // Every line, the accents and the grey ones too, reads at 4.5:1 on the card.
    void linesAreReadableOnTheCardInBothAppearances()
    {
        for (const QPalette &palette : {AppearanceController::lightPalette(), AppearanceController::darkPalette()}) {
            ResultCard card;
            card.setPalette(palette);
            card.setResult(successWithCycles(1));
            const QList<QLabel *> labels = card.findChildren<QLabel *>();
            QCOMPARE(labels.size(), ResultCard::lines(successWithCycles(1)).size());
            for (const QLabel *label : labels) {
                const QColor text = label->palette().color(QPalette::WindowText);
                QVERIFY2(ThemeColors::contrastRatio(text, ResultCard::background(palette))
                             >= ThemeColors::minimumTextContrast,
                         qPrintable(label->text()));
            }
        }
    }
};

QTEST_MAIN(tst_ResultCard)
#include "tst_resultcard.moc"
