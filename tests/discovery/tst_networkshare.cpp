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
    void protocolForFilesystemType_data();
    void protocolForFilesystemType();
    void constructorDerivesProtocol();
    void twoDetectionsDiffer();
    void encodingLeavesOutAbsentFields();
    void roundTrip();
    void interfaceRoundTrip();
    void decodingRejectsBadInput_data();
    void decodingRejectsBadInput();
    void loadStorageInfoOnLocalFolder();
    void loadStorageInfoOnMissingMountKeepsFields();
    void isNetworkVolumeLocalAndMissing();
};

void tst_NetworkShare::protocolForFilesystemType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("protocol");
    QTest::newRow("smbfs") << "smbfs" << "SMB";
    QTest::newRow("nfs") << "nfs" << "NFS";
    QTest::newRow("afpfs") << "afpfs" << "AFP";
    QTest::newRow("afp") << "afp" << "AFP";
    QTest::newRow("webdavfs") << "webdavfs" << "WebDAV";
    QTest::newRow("webdav") << "webdav" << "WebDAV";
    QTest::newRow("case matters") << "SMBFS" << "unknown";
    QTest::newRow("unknown") << "unknown" << "unknown";
    QTest::newRow("empty") << "" << "unknown";
}

void tst_NetworkShare::protocolForFilesystemType()
{
    QFETCH(QString, type);
    QTEST(NetworkShare::protocolText(NetworkShare::protocolForFilesystemType(type)), "protocol");
}

void tst_NetworkShare::constructorDerivesProtocol()
{
    const NetworkShare share(QUuid::createUuid(), QStringLiteral("fs1"), QStringLiteral("media"), QString(),
                             QStringLiteral("/mnt/m"), QStringLiteral("webdavfs"));
    QCOMPARE(share.shareProtocol, NetworkShare::ShareProtocol::WebDAV);
    QVERIFY(share.isDetected);
    QVERIFY(!share.totalStorageBytes && !share.freeStorageBytes && !share.interfaceID && !share.cachedInterfaceInfo);
}

void tst_NetworkShare::twoDetectionsDiffer()
{
    const NetworkShare a(QUuid::createUuid(), QStringLiteral("h"), QStringLiteral("s"), QString(), QStringLiteral("/m"),
                         QStringLiteral("smbfs"));
    NetworkShare b = a;
    QCOMPARE(a, b);
    b.id = QUuid::createUuid();
    QVERIFY(a != b);
}

void tst_NetworkShare::encodingLeavesOutAbsentFields()
{
    const NetworkShare share(QUuid::createUuid(), QStringLiteral("fs1"), QStringLiteral("media"), QString(),
                             QStringLiteral("/mnt/m"), QStringLiteral("smbfs"));
    QStringList keys = share.toJson().keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("filesystemType"), QStringLiteral("hostname"), QStringLiteral("id"),
                                QStringLiteral("isDetected"), QStringLiteral("mountPath"), QStringLiteral("shareName"),
                                QStringLiteral("shareProtocol"), QStringLiteral("username")}));
    QCOMPARE(share.toJson().value(QStringLiteral("shareProtocol")).toString(), QStringLiteral("SMB"));
}

void tst_NetworkShare::roundTrip()
{
    NetworkShare share(QUuid::createUuid(), QStringLiteral("10.231.7.2"), QStringLiteral("share"), QStringLiteral("u"),
                       QStringLiteral("/mnt/netshare/smb/10.231.7.2/share"), QStringLiteral("smbfs"),
                       QStringLiteral("eth0"), sampleInterface());
    share.totalStorageBytes = 1073741824;
    share.freeStorageBytes = 5000000000LL;
    const QByteArray text = QJsonDocument(share.toJson()).toJson();
    const std::optional<NetworkShare> decoded = NetworkShare::fromJson(QJsonDocument::fromJson(text).object());
    QVERIFY(decoded);
    QCOMPARE(*decoded, share);
    QCOMPARE(share.toJson().value(QStringLiteral("cachedInterfaceInfo")).toObject().value(QStringLiteral("mtu")).toInt(), 1500);
}

void tst_NetworkShare::interfaceRoundTrip()
{
    NetworkInterfaceInfo bare;
    bare.interfaceID = QStringLiteral("tun0");
    bare.name = QStringLiteral("Unknown");
    QCOMPARE(bare.toJson().size(), 4);
    QCOMPARE(NetworkInterfaceInfo::fromJson(bare.toJson()), std::optional(bare));
    QCOMPARE(NetworkInterfaceInfo::fromJson(sampleInterface().toJson()), std::optional(sampleInterface()));
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

void tst_NetworkShare::loadStorageInfoOnLocalFolder()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    NetworkShare share(QUuid::createUuid(), QStringLiteral("h"), QStringLiteral("s"), QString(), directory.path(),
                       QStringLiteral("smbfs"));
    QVERIFY(share.loadStorageInfo());
    QVERIFY(share.totalStorageBytes && *share.totalStorageBytes > 0);
    QVERIFY(share.freeStorageBytes && *share.freeStorageBytes <= *share.totalStorageBytes);
    QVERIFY(share.loadStorageInfo());
}

void tst_NetworkShare::loadStorageInfoOnMissingMountKeepsFields()
{
    QTemporaryDir directory;
    NetworkShare share(QUuid::createUuid(), QStringLiteral("h"), QStringLiteral("s"), QString(),
                       directory.path() + QStringLiteral("/gone"), QStringLiteral("smbfs"));
    share.totalStorageBytes = 7;
    share.freeStorageBytes = 3;
    QVERIFY(!share.loadStorageInfo());
    QCOMPARE(share.totalStorageBytes, std::optional<qint64>(7));
    QCOMPARE(share.freeStorageBytes, std::optional<qint64>(3));
}

void tst_NetworkShare::isNetworkVolumeLocalAndMissing()
{
    QTemporaryDir directory;
    QVERIFY(!NetworkShare::isNetworkVolume(directory.path()));
    QVERIFY(!NetworkShare::isNetworkVolume(directory.path() + QStringLiteral("/missing")));
}

QTEST_GUILESS_MAIN(tst_NetworkShare)
#include "tst_networkshare.moc"
