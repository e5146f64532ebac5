// The values a run request is made of: the byte amounts users type, the
// bytes a phase moves and the bytes a whole run moves.

#include "engine/byteamount.h"
#include "engine/testrequest.h"

#include <QTest>
#include <limits>

using namespace trevlamark;

class tst_TestRequest : public QObject
{
    Q_OBJECT

private slots:
    void byteAmount_data();
    void byteAmount();
    void targetBytesPerPhase_data();
    void targetBytesPerPhase();
    void totalTargetBytes_data();
    void totalTargetBytes();
};

void tst_TestRequest::byteAmount_data()
{
    using R = ByteAmount::Refusal;
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("bytes"); // 0: refused
    QTest::addColumn<ByteAmount::Refusal>("refusal");
    QTest::newRow("8MB") << "8MB" << quint64(8388608) << R::NotAnAmount;
    QTest::newRow("3GB") << "3GB" << quint64(3221225472) << R::NotAnAmount;
    QTest::newRow("lower case unit") << "2gb" << quint64(2147483648) << R::NotAnAmount;
    QTest::newRow("leading zeros") << "0016GB" << quint64(17179869184) << R::NotAnAmount;
    QTest::newRow("largest TB") << "16777215TB" << quint64(0xFFFFFF0000000000ULL) << R::NotAnAmount;
    QTest::newRow("largest MB") << "17592186044415MB" << quint64(0xFFFFFFFFFFF00000ULL) << R::NotAnAmount;
    QTest::newRow("2^64 bytes in TB") << "16777216TB" << quint64(0) << R::TooLarge;
    QTest::newRow("2^64 bytes in GB") << "17179869184GB" << quint64(0) << R::TooLarge;
    QTest::newRow("beyond 64-bit digits") << "99999999999999999999999MB" << quint64(0) << R::TooLarge;
    QTest::newRow("zero") << "0GB" << quint64(0) << R::Zero;
    for (const char *text : {"4096", "512KB", "1.5GB", "-1GB", "+1GB", "1 GB", "1GiB", ""})
        QTest::newRow(text) << QString::fromLatin1(text) << quint64(0) << R::NotAnAmount;
}

void tst_TestRequest::byteAmount()
{
    QFETCH(QString, text);
    QFETCH(quint64, bytes);
    QFETCH(ByteAmount::Refusal, refusal);
    const ByteAmount::Parsed parsed = ByteAmount::parse(text);
    QCOMPARE(parsed.bytes.value_or(0), bytes);
    if (!parsed.bytes)
        QCOMPARE(parsed.refusal, refusal);
    // The custom amount field types the digits and picks the unit apart.
    const qsizetype digits = text.size() - 2;
    if (bytes != 0)
        QCOMPARE(ByteAmount::fromDigits(text.left(digits), parsed.unit).bytes.value_or(0), bytes);
}

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
