// The wire/app ratio of a phase and the finding it gives.

#include "engine/wirefinding.h"

#include <QtTest>

using namespace trevlamark;

class tst_WireFinding : public QObject
{
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void busyBefore_data();
    void busyBefore();
};

void tst_WireFinding::findings_data()
{
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<qint64>("wireBytes"); // -1: not measured
    QTest::addColumn<QString>("finding");
    QTest::newRow("read from the cache") << true << qint64(42'000'000)
        << "served mostly from this computer's cache: 4 % of the bytes crossed the wire";
    QTest::newRow("read, half on the wire") << true << qint64(524'288'000)
        << "served mostly from this computer's cache: 50 % of the bytes crossed the wire";
    QTest::newRow("read over the wire") << true << qint64(1'070'000'000) << QString();
    QTest::newRow("read with read-ahead") << true << qint64(1'447'000'000)
        << "38 % more crossed the wire than the test moved: read-ahead, retransmits or protocol overhead";
    QTest::newRow("write held back in the cache is no cache read") << false << qint64(100'000'000) << QString();
    QTest::newRow("write with overhead") << false << qint64(1'363'148'800)
        << "30 % more crossed the wire than the test moved: read-ahead, retransmits or protocol overhead";
    QTest::newRow("not measured") << true << qint64(-1) << QString();
}

void tst_WireFinding::findings()
{
    QFETCH(bool, isRead);
    QFETCH(qint64, wireBytes);
    QFETCH(QString, finding);
    PhaseResult phase;
    phase.bytes = 1'048'576'000;
    if (wireBytes >= 0)
        phase.wireBytes = quint64(wireBytes);
    const std::optional<QString> text = WireFinding::text(phase, isRead ? Phase::Read : Phase::Write);
    QCOMPARE(text.value_or(QString()), finding);
    QCOMPARE(WireFinding::ratio(phase).has_value(), wireBytes >= 0);
    // The JSON carries the bytes and the ratio, and the bytes come back.
    const QJsonObject json = phase.toJson();
    QCOMPARE(json.contains(QStringLiteral("wireRatio")), wireBytes >= 0);
    QCOMPARE(PhaseResult::fromJson(json)->wireBytes, phase.wireBytes);
}

void tst_WireFinding::busyBefore_data()
{
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<double>("seconds"); // 0: not watched
    QTest::addColumn<qint64>("bytesIn");
    QTest::addColumn<qint64>("bytesOut");
    QTest::addColumn<QString>("finding");
    // The phase moved 100 MB/s; the busy mark is a tenth of that.
    QTest::newRow("quiet link") << true << 0.5 << qint64(200'000) << qint64(50'000) << QString();
    QTest::newRow("other reads beside a read") << true << 0.5 << qint64(26'214'400) << qint64(0)
        << "the interface was busy before the phase: 50.0 MB/s of other traffic received, 50 % of the phase's rate";
    QTest::newRow("just at the mark") << true << 1.0 << qint64(10'485'760) << qint64(0)
        << "the interface was busy before the phase: 10.0 MB/s of other traffic received, 10 % of the phase's rate";
    QTest::newRow("incoming traffic does not slow a write") << false << 0.5 << qint64(26'214'400) << qint64(1'000)
        << QString();
    QTest::newRow("outgoing traffic beside a write") << false << 0.5 << qint64(0) << qint64(15'728'640)
        << "the interface was busy before the phase: 30.0 MB/s of other traffic sent, 30 % of the phase's rate";
    QTest::newRow("not watched") << true << 0.0 << qint64(26'214'400) << qint64(0) << QString();
}

void tst_WireFinding::busyBefore()
{
    QFETCH(bool, isRead);
    QFETCH(double, seconds);
    QFETCH(qint64, bytesIn);
    QFETCH(qint64, bytesOut);
    QFETCH(QString, finding);
    PhaseResult phase;
    phase.bytes = 1'048'576'000;
    phase.throughput = 100;
    phase.wireBytes = phase.bytes;
    if (seconds > 0)
        phase.wireBefore = WireTraffic{seconds, quint64(bytesIn), quint64(bytesOut)};
    const Phase kind = isRead ? Phase::Read : Phase::Write;
    QCOMPARE(WireFinding::busyText(phase, kind).value_or(QString()), finding);
    // The finding follows the wire figures in the result text.
    QCOMPARE(WireFinding::line(phase, kind)->endsWith(finding), true);
    QCOMPARE(PhaseResult::fromJson(phase.toJson())->wireBefore, phase.wireBefore);
}

QTEST_GUILESS_MAIN(tst_WireFinding)
#include "tst_wirefinding.moc"
