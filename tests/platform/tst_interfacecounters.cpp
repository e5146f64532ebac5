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
    void readsBothCounters();
    void missingDeviceGivesZeros();
    void unreadableCountersGiveNothing();
    void loopbackIsReadable();

private:
    static void write(const QString &path, const QByteArray &value)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(value);
    }
};

void tst_InterfaceCounters::readsBothCounters()
{
    QTemporaryDir net;
    write(net.path() + QStringLiteral("/eth0/statistics/rx_bytes"), "18446744073709551615\n");
    write(net.path() + QStringLiteral("/eth0/statistics/tx_bytes"), "42\n");
    QCOMPARE(InterfaceCounters::read(QStringLiteral("eth0"), net.path()),
             std::optional(InterfaceCounters{18446744073709551615ULL, 42}));
}

void tst_InterfaceCounters::missingDeviceGivesZeros()
{
    QTemporaryDir net;
    QCOMPARE(InterfaceCounters::read(QStringLiteral("eth9"), net.path()), std::optional(InterfaceCounters{}));
    QCOMPARE(InterfaceCounters::read(QStringLiteral("../etc"), net.path()), std::optional(InterfaceCounters{}));
}

void tst_InterfaceCounters::unreadableCountersGiveNothing()
{
    QTemporaryDir net;
    write(net.path() + QStringLiteral("/eth0/statistics/rx_bytes"), "garbage\n");
    write(net.path() + QStringLiteral("/eth0/statistics/tx_bytes"), "1\n");
    QVERIFY(!InterfaceCounters::read(QStringLiteral("eth0"), net.path()));
    QDir().mkpath(net.path() + QStringLiteral("/eth1"));
    QVERIFY(!InterfaceCounters::read(QStringLiteral("eth1"), net.path()));
}

void tst_InterfaceCounters::loopbackIsReadable()
{
    if (!QFileInfo::exists(QStringLiteral("/sys/class/net/lo/statistics/rx_bytes")))
        QSKIP("this system has no sysfs network class");
    QVERIFY(InterfaceCounters::read(QStringLiteral("lo")).has_value());
}

QTEST_GUILESS_MAIN(tst_InterfaceCounters)
#include "tst_interfacecounters.moc"
