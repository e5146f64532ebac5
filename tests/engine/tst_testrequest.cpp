// The byte arithmetic of a run request.

#include "engine/testrequest.h"

#include <QTest>
#include <limits>

using namespace trevlamark;

class tst_TestRequest : public QObject
{
    Q_OBJECT

private slots:
    void targetBytesPerPhase_data();
    void targetBytesPerPhase();
    void totalTargetBytes_data();
    void totalTargetBytes();
};

void tst_TestRequest::targetBytesPerPhase_data()
{
    QTest::addColumn<BytesPerCycleOptions>("option");
    QTest::addColumn<quint64>("custom");
    QTest::addColumn<ThroughputTestOptions>("chunk");
    QTest::addColumn<quint64>("target");
    QTest::newRow("1GB by 64MB") << BytesPerCycleOptions::size1GB << quint64(0) << ThroughputTestOptions::size64MB
                                 << quint64(1073741824);
    QTest::newRow("1e9 by 1MB") << BytesPerCycleOptions::custom << quint64(1000000000) << ThroughputTestOptions::size1MB
                                << quint64(999292928);
    QTest::newRow("custom 0 means 1GiB") << BytesPerCycleOptions::custom << quint64(0)
                                         << ThroughputTestOptions::size1MB << quint64(1073741824);
    QTest::newRow("below one chunk") << BytesPerCycleOptions::custom << quint64(1000)
                                     << ThroughputTestOptions::size64KB << quint64(0);
}

void tst_TestRequest::targetBytesPerPhase()
{
    QFETCH(BytesPerCycleOptions, option);
    QFETCH(quint64, custom);
    QFETCH(ThroughputTestOptions, chunk);
    QFETCH(quint64, target);
    const TestRequest request{.chunkSize = chunk, .bytesPerCycle = option, .customBytesPerCycle = custom};
    QCOMPARE(request.targetBytesPerPhase(), target);
}

void tst_TestRequest::totalTargetBytes_data()
{
    constexpr quint64 gib = 1073741824;
    constexpr quint64 most = std::numeric_limits<quint64>::max();
    QTest::addColumn<quint64>("bytesPerCycle");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("read");
    QTest::addColumn<quint64>("expected");
    QTest::newRow("both phases") << gib << true << true << 6 * gib;
    QTest::newRow("write only") << gib << true << false << 3 * gib;
    // The first cycle writes the data the read-only cycles read.
    QTest::newRow("read only") << gib << false << true << 4 * gib;
    QTest::newRow("saturates when doubled") << most / 4 << true << true << most;
    QTest::newRow("saturates when the first write is added") << most / 3 << false << true << most;
}

void tst_TestRequest::totalTargetBytes()
{
    QFETCH(quint64, bytesPerCycle);
    QFETCH(bool, write);
    QFETCH(bool, read);
    QFETCH(quint64, expected);
    QCOMPARE(TestRequest::totalTargetBytes(bytesPerCycle, 3, write, read), expected);
}

QTEST_GUILESS_MAIN(tst_TestRequest)
#include "tst_testrequest.moc"
