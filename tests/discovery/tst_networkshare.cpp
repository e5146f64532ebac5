#include "discovery/networkshare.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

namespace {
NetworkInterfaceInfo sampleInterface()
{
    NetworkInterfaceInfo info;
    info.interfaceID = QStringLiteral("eth0");
    info.name = QStringLiteral("Ethernet");
    info.speed = QStringLiteral("10 Gbps");
    info.rawSpeed = QStringLiteral("10000 Mbps");
    info.speedMbps = 10000;
    info.mtu = 1500;
    return info;
}
} // namespace

class tst_NetworkShare : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsPresentFieldsOnly();
    void decodingRejectsBadInput_data();
    void decodingRejectsBadInput();
    void loadStorageInfo();
};

void tst_NetworkShare::roundTripKeepsPresentFieldsOnly()
{
    const NetworkShare bare(QUuid::createUuid(), QStringLiteral("fs1"), QStringLiteral("media"), QString(),
                            QStringLiteral("/mnt/m"), QStringLiteral("smbfs"));
    QStringList keys = bare.toJson().keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("filesystemType"), QStringLiteral("hostname"), QStringLiteral("id"),
                                QStringLiteral("isDetected"), QStringLiteral("mountPath"), QStringLiteral("shareName"),
                                QStringLiteral("shareProtocol"), QStringLiteral("username")}));
    QCOMPARE(bare.toJson().value(QStringLiteral("shareProtocol")).toString(), QStringLiteral("SMB"));
    QCOMPARE(NetworkShare::fromJson(bare.toJson()), std::optional(bare));

    NetworkShare share(QUuid::createUuid(), QStringLiteral("10.231.7.2"), QStringLiteral("share"), QStringLiteral("u"),
                       QStringLiteral("/mnt/netshare/smb/10.231.7.2/share"), QStringLiteral("smbfs"),
                       QStringLiteral("eth0"), sampleInterface());
    share.totalStorageBytes = 1073741824;
    share.freeStorageBytes = 5000000000LL;
    const QByteArray text = QJsonDocument(share.toJson()).toJson();
    QCOMPARE(NetworkShare::fromJson(QJsonDocument::fromJson(text).object()), std::optional(share));

    NetworkInterfaceInfo bareInterface;
    bareInterface.interfaceID = QStringLiteral("tun0");
    bareInterface.name = QStringLiteral("Unknown");
    QCOMPARE(bareInterface.toJson().size(), 4);
    QCOMPARE(NetworkInterfaceInfo::fromJson(bareInterface.toJson()), std::optional(bareInterface));
}

void tst_NetworkShare::decodingRejectsBadInput_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");  // undefined: remove the key
    QTest::newRow("missing id") << "id" << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("bad id") << "id" << QJsonValue(QStringLiteral("not-a-uuid"));
    QTest::newRow("unknown protocol") << "shareProtocol" << QJsonValue(QStringLiteral("FTP"));
    QTest::newRow("hostname number") << "hostname" << QJsonValue(3);
    QTest::newRow("isDetected text") << "isDetected" << QJsonValue(QStringLiteral("yes"));
    QTest::newRow("fractional bytes") << "totalStorageBytes" << QJsonValue(1.5);
    QTest::newRow("bytes as text") << "freeStorageBytes" << QJsonValue(QStringLiteral("12"));
    QTest::newRow("interface not object") << "cachedInterfaceInfo" << QJsonValue(QStringLiteral("eth0"));
    QTest::newRow("interface incomplete") << "cachedInterfaceInfo" << QJsonValue(QJsonObject{{QStringLiteral("name"), QStringLiteral("x")}});
}

void tst_NetworkShare::decodingRejectsBadInput()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    const NetworkShare share(QUuid::createUuid(), QStringLiteral("h"), QStringLiteral("s"), QString(),
                             QStringLiteral("/m"), QStringLiteral("nfs"));
    QJsonObject object = share.toJson();
    QVERIFY(NetworkShare::fromJson(object));
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    QVERIFY(!NetworkShare::fromJson(object));
}

void tst_NetworkShare::loadStorageInfo()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    NetworkShare share(QUuid::createUuid(), QStringLiteral("h"), QStringLiteral("s"), QString(), directory.path(),
                       QStringLiteral("smbfs"));
    QVERIFY(share.loadStorageInfo());
    QVERIFY(share.totalStorageBytes && *share.totalStorageBytes > 0);
    QVERIFY(share.freeStorageBytes && *share.freeStorageBytes <= *share.totalStorageBytes);

    // A mount that has gone keeps the figures read before.
    share.mountPath = directory.filePath(QStringLiteral("gone"));
    const std::optional<qint64> total = share.totalStorageBytes;
    QVERIFY(!share.loadStorageInfo());
    QCOMPARE(share.totalStorageBytes, total);
}

QTEST_GUILESS_MAIN(tst_NetworkShare)
#include "tst_networkshare.moc"
