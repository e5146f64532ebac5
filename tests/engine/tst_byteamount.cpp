// The one reading of a typed byte amount, as the CLI and the custom amount field use it.

#include "engine/byteamount.h"

#include <QTest>

using namespace trevlamark;

class tst_ByteAmount : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void fromDigits();
};

void tst_ByteAmount::parse_data()
{
    using R = ByteAmount::Refusal;
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("bytes"); // 0: refused
    QTest::addColumn<ByteAmount::Refusal>("refusal");
    QTest::newRow("8MB") << "8MB" << quint64(8388608) << R::NotAnAmount;
    QTest::newRow("3GB") << "3GB" << quint64(3221225472) << R::NotAnAmount;
    QTest::newRow("1TB") << "1TB" << quint64(1099511627776) << R::NotAnAmount;
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

void tst_ByteAmount::parse()
{
    QFETCH(QString, text);
    QFETCH(quint64, bytes);
    QFETCH(ByteAmount::Refusal, refusal);
    const ByteAmount::Parsed parsed = ByteAmount::parse(text);
    QCOMPARE(parsed.bytes.value_or(0), bytes);
    if (!parsed.bytes)
        QCOMPARE(parsed.refusal, refusal);
}

void tst_ByteAmount::fromDigits()
{
    QCOMPARE(ByteAmount::fromDigits(QStringLiteral("12"), ByteAmount::Unit::MB).bytes, quint64(12) << 20);
    QCOMPARE(ByteAmount::fromDigits(QStringLiteral("16777216"), ByteAmount::Unit::TB).refusal,
        ByteAmount::Refusal::TooLarge);
    QCOMPARE(ByteAmount::fromDigits(QStringLiteral("0"), ByteAmount::Unit::GB).refusal, ByteAmount::Refusal::Zero);
    QCOMPARE(ByteAmount::fromDigits(QStringLiteral("1GB"), ByteAmount::Unit::GB).refusal,
        ByteAmount::Refusal::NotAnAmount);
}

QTEST_GUILESS_MAIN(tst_ByteAmount)
#include "tst_byteamount.moc"
