#include "platform/interfacecounters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

class tst_InterfaceCounters : public QObject
{
    Q_OBJECT
private slots:
    void readsCountersOfAFakeDevice();

private:
    static void write(const QString &path, const QByteArray &value)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(value);
    }
};

void tst_InterfaceCounters::readsCountersOfAFakeDevice()
{
    QTemporaryDir net;
    write(net.filePath(QStringLiteral("eth0/statistics/rx_bytes")), "18446744073709551615\n");
    write(net.filePath(QStringLiteral("eth0/statistics/tx_bytes")), "42\n");
    QCOMPARE(InterfaceCounters::read(QStringLiteral("eth0"), net.path()),
             std::optional(InterfaceCounters{18446744073709551615ULL, 42}));
    // A device that does not exist reads as zeros, one whose counters cannot be read as nothing.
    QCOMPARE(InterfaceCounters::read(QStringLiteral("eth9"), net.path()), std::optional(InterfaceCounters{}));
    QCOMPARE(InterfaceCounters::read(QStringLiteral("../etc"), net.path()), std::optional(InterfaceCounters{}));
    write(net.filePath(QStringLiteral("eth1/statistics/rx_bytes")), "garbage\n");
    write(net.filePath(QStringLiteral("eth1/statistics/tx_bytes")), "1\n");
    QVERIFY(!InterfaceCounters::read(QStringLiteral("eth1"), net.path()));
    QDir().mkpath(net.filePath(QStringLiteral("eth2")));
    QVERIFY(!InterfaceCounters::read(QStringLiteral("eth2"), net.path()));
}

QTEST_GUILESS_MAIN(tst_InterfaceCounters)
#include "tst_interfacecounters.moc"
