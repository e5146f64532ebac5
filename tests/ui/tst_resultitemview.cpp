#include "ui/resultitemview.h"
#include "ui/resultssectionview.h"

#include <QLabel>
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

QStringList texts(const QList<ResultItemView::Line> &lines)
{
    QStringList result;
    for (const auto &line : lines)
        result.append(line.text);
    return result;
}
} // namespace

class tst_ResultItemView : public QObject
{
    Q_OBJECT

private slots:
    void heading_data()
    {
        QTest::addColumn<int>("cycles");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one") << 1 << QStringLiteral("Details (1 cycle)");
        QTest::newRow("two") << 2 << QStringLiteral("Details (2 cycles)");
        QTest::newRow("three") << 3 << QStringLiteral("Details (3 cycles)");
        QTest::newRow("none") << 0 << QStringLiteral("Details (0 cycles)");
    }

    void heading()
    {
        QFETCH(int, cycles);
        QFETCH(QString, expected);
        QCOMPARE(ResultItemView::heading(successWithCycles(cycles)), expected);
    }

    void manuallyStoppedHeading()
    {
        PerformanceTestResult result = successWithCycles(2);
        result.details.insert(QStringLiteral("cycleCompletion"), QStringLiteral("Manually stopped"));
        result.details.insert(QStringLiteral("targetCycles"), QStringLiteral("5"));
        result.details.insert(QStringLiteral("totalCycles"), QStringLiteral("2"));
        QCOMPARE(ResultItemView::heading(result), QStringLiteral("Details 2/5 cycles (Manually stopped)"));
        result.details.remove(QStringLiteral("totalCycles"));
        QCOMPARE(ResultItemView::heading(result), QStringLiteral("Details 0/5 cycles (Manually stopped)"));
    }

    void cycleLines()
    {
        const QStringList lines = texts(ResultItemView::lines(successWithCycles(1)));
        QCOMPARE(lines, (QStringList{
                            QStringLiteral("Details (1 cycle)"),
                            QStringLiteral("Cycle 1"),
                            QStringLiteral("Write: 812.34 MB/s"),
                            QStringLiteral("Read: 1024.50 MB/s"),
                            QStringLiteral("Write: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                            QStringLiteral("Read: 1 GB in 1.3s, latencies: I/O→Sync: 3.0ms, Sync→Close: 0.4ms, Total: 3.5ms)"),
                        }));
    }

    void readOnlyCycleHasNoWriteLine()
    {
        PerformanceTestResult result;
        result.success = true;
        result.cycleResults.append(CycleResult{1, std::nullopt, phase(99.999, 536870912)});
        const QStringList lines = texts(ResultItemView::lines(result));
        QCOMPARE(lines.filter(QStringLiteral("Write")).size(), 0);
        QVERIFY(lines.contains(QStringLiteral("Read: 100.00 MB/s")));
        QVERIFY(lines.last().startsWith(QStringLiteral("Read: 512 MB in ")));
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
        const auto lines = ResultItemView::lines(result);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].text, expected);
        QCOMPARE(lines[1].role, ResultItemView::LineRole::Error);
    }

    void sectionShowsPlaceholderOrSelectableCard()
    {
        ResultsSectionView section;
        section.show();
        section.setTestResult(std::nullopt);
        auto *placeholder = section.findChild<QLabel *>();
        QVERIFY(placeholder->isVisible());
        QCOMPARE(placeholder->text(), QStringLiteral("No test results yet"));
        section.setTestResult(successWithCycles(2));
        QVERIFY(!placeholder->isVisible());
        const auto labels = section.itemView()->findChildren<QLabel *>();
        QCOMPARE(labels.first()->text(), QStringLiteral("Details (2 cycles)"));
        QVERIFY(labels.first()->textInteractionFlags() & Qt::TextSelectableByMouse);
    }
};

QTEST_MAIN(tst_ResultItemView)
#include "tst_resultitemview.moc"
