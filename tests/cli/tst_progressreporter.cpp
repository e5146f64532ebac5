#include "cli/progressreporter.h"

#include <QTest>

using namespace trevlamark;

class tst_ProgressReporter : public QObject
{
    Q_OBJECT

private slots:
    void terminalRewritesInPlace();
    void plainLinesAreThrottled_data();
    void plainLinesAreThrottled();
};

void tst_ProgressReporter::terminalRewritesInPlace()
{
    ProgressReporter reporter(ProgressReporter::Mode::Terminal);
    QCOMPARE(reporter.finish(), QString());
    QCOMPARE(reporter.update(QStringLiteral("Cycle 1/1 Write - 10%"), 0), QStringLiteral("\r\x1b[KCycle 1/1 Write - 10%"));
    QCOMPARE(reporter.update(QStringLiteral("Cycle 1/1 Write - 11%"), 100), QStringLiteral("\r\x1b[KCycle 1/1 Write - 11%"));
    QCOMPARE(reporter.finish(), QStringLiteral("\r\x1b[K"));
    QCOMPARE(reporter.finish(), QString());
}

void tst_ProgressReporter::plainLinesAreThrottled_data()
{
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QList<bool>>("written");
    QTest::newRow("first line at once") << QList<qint64>{5000} << QList<bool>{true};
    QTest::newRow("ten per second") << QList<qint64>{0, 100, 200, 999, 1000, 1100, 2000}
                                    << QList<bool>{true, false, false, false, true, false, true};
    QTest::newRow("slow updates") << QList<qint64>{0, 1500, 3000} << QList<bool>{true, true, true};
}

void tst_ProgressReporter::plainLinesAreThrottled()
{
    QFETCH(QList<qint64>, times);
    QFETCH(QList<bool>, written);
    ProgressReporter reporter(ProgressReporter::Mode::Plain, 1000);
    for (qsizetype i = 0; i < times.size(); ++i) {
        const QString text = reporter.update(QStringLiteral("line %1").arg(i), times.at(i));
        QCOMPARE(text, written.at(i) ? QStringLiteral("line %1\n").arg(i) : QString());
    }
    QCOMPARE(reporter.finish(), QString());
}

QTEST_GUILESS_MAIN(tst_ProgressReporter)
#include "tst_progressreporter.moc"
