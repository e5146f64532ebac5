#include "ui/testprogress.h"

#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void overallProgress_data()
    {
        QTest::addColumn<quint64>("written");
        QTest::addColumn<quint64>("read");
        QTest::addColumn<quint64>("target");
        QTest::addColumn<double>("expected");
        QTest::newRow("no target") << quint64(500) << quint64(500) << quint64(0) << 0.0;
        QTest::newRow("half") << quint64(250) << quint64(250) << quint64(1000) << 0.5;
        QTest::newRow("above target") << quint64(900) << quint64(900) << quint64(1000) << 1.0;
        QTest::newRow("16 GB x 50 cycles") << quint64(17179869184) * 50 << quint64(0)
                                           << quint64(17179869184) * 100 << 0.5;
    }

    void overallProgress()
    {
        QFETCH(quint64, written);
        QFETCH(quint64, read);
        QFETCH(quint64, target);
        QFETCH(double, expected);
        TestProgress progress;
        progress.setTotalTargetBytes(target);
        progress.setTotalWriteBytesProcessed(written);
        progress.setTotalReadBytesProcessed(read);
        QCOMPARE(progress.overallProgress(), expected);
    }

    void everyAssignmentNotifies()
    {
        TestProgress progress;
        QSignalSpy valueSpy(&progress, &TestProgress::writeValueChanged);
        QSignalSpy progressSpy(&progress, &TestProgress::overallProgressChanged);
        progress.setWriteValue(0);
        progress.setWriteValue(0);
        progress.setTotalTargetBytes(10);
        QCOMPARE(valueSpy.count(), 2);
        QCOMPARE(progressSpy.count(), 1);
    }

    void resetKeepsTheTarget()
    {
        TestProgress progress;
        progress.setTotalTargetBytes(4096);
        progress.setTotalWriteBytesProcessed(1024);
        progress.setTotalReadBytesProcessed(1024);
        progress.setReadValue(12.5);
        progress.setWriteValue(13.5);
        progress.setOverallAverageRead(1);
        progress.setOverallAverageWrite(2);
        progress.setProgressValue(0.7);
        progress.setProgressMessage(QStringLiteral("Cycle 1"));
        progress.reset();
        QCOMPARE(progress.totalTargetBytes(), quint64(4096));
        QCOMPARE(progress.totalWriteBytesProcessed(), quint64(0));
        QCOMPARE(progress.totalReadBytesProcessed(), quint64(0));
        QCOMPARE(progress.readValue(), 0.0);
        QCOMPARE(progress.writeValue(), 0.0);
        QCOMPARE(progress.overallAverageRead(), 0.0);
        QCOMPARE(progress.overallAverageWrite(), 0.0);
        QCOMPARE(progress.progressValue(), 0.0);
        QCOMPARE(progress.progressMessage(), QString());
        QCOMPARE(progress.overallProgress(), 0.0);
    }
};

QTEST_GUILESS_MAIN(tst_TestProgress)
#include "tst_testprogress.moc"
