#include "ui/app/appearancecontroller.h"
#include "engine/resultformatter.h"
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

} // namespace

class tst_ResultCard : public QObject
{
    Q_OBJECT

private slots:
    // The card draws the shared result text; only its sizes are the screen's own.
    void drawsTheSharedLinesWithItsOwnSizes()
    {
        const PerformanceTestResult result = successWithCycles(1);
        const QList<ResultLine> card = ResultCard::lines(result);
        const QList<ResultLine> shared = ResultFormatter::lines(result);
        QCOMPARE(card.size(), shared.size());
        QCOMPARE(card.at(4).text, QStringLiteral("Write: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms"));
        QCOMPARE(shared.at(4).text, QStringLiteral("Write: 1.00 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms"));
        for (qsizetype i = 0; i < card.size(); ++i)
            QCOMPARE(card.at(i).role, shared.at(i).role);
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
