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

QTEST_GUILESS_MAIN(tst_WireFinding)
#include "tst_wirefinding.moc"
