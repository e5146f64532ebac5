#include "ui/testconfiguration.h"

#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        TestConfiguration configuration;
        QCOMPARE(configuration.selectedFileSize(), ThroughputTestOptions::size1MB);
        QCOMPARE(configuration.queueDepth(), 4);
        QCOMPARE(configuration.selectedBytesPerCycle(), BytesPerCycleOptions::size512MB);
        QCOMPARE(configuration.customBytesValue(), quint64(1073741824));
        QCOMPARE(configuration.totalCycles(), 1);
        QVERIFY(configuration.disableCache());
        QVERIFY(configuration.writePhaseEnabled());
        QVERIFY(configuration.readPhaseEnabled());
    }

    void totalTargetBytes_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<quint64>("expected");
        const quint64 gib = 1073741824;
        QTest::newRow("both") << true << true << 2 << 4 * gib;
        QTest::newRow("write only") << true << false << 2 << 2 * gib;
        QTest::newRow("read-only 2 cycles of 1 GB is 3 GB") << false << true << 2 << 3 * gib;
        QTest::newRow("neither counts like both") << false << false << 2 << 4 * gib;
    }

    void totalTargetBytes()
    {
        QFETCH(bool, write);
        QFETCH(bool, read);
        QFETCH(int, cycles);
        QFETCH(quint64, expected);
        TestConfiguration configuration;
        configuration.setSelectedBytesPerCycle(BytesPerCycleOptions::size1GB);
        configuration.setWritePhaseEnabled(write);
        configuration.setReadPhaseEnabled(read);
        configuration.setTotalCycles(cycles);
        QCOMPARE(configuration.totalTargetBytes(), expected);
    }

    void customAmountAndStreamOptions()
    {
        TestConfiguration configuration;
        configuration.setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        configuration.setCustomBytesValue(12 * quint64(1048576));
        configuration.setTotalCycles(50);
        configuration.setQueueDepth(16);
        configuration.setSelectedFileSize(ThroughputTestOptions::size64KB);
        configuration.setDisableCache(false);
        QCOMPARE(configuration.bytesPerCycleBytes(), 12 * quint64(1048576));
    }

    void assignmentsNotify()
    {
        TestConfiguration configuration;
        QSignalSpy spy(&configuration, &TestConfiguration::queueDepthChanged);
        configuration.setQueueDepth(4);
        configuration.setQueueDepth(8);
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_TestConfiguration)
#include "tst_testconfiguration.moc"
