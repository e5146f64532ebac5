#include "platform/mountinfo.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

class tst_MountInfo : public QObject
{
    Q_OBJECT
private slots:
    void parseLine_data();
    void parseLine();
    void parseLineRejectsMalformed_data();
    void parseLineRejectsMalformed();
    void unescape_data();
    void unescape();
    void remountUrl_data();
    void remountUrl();
    void gvfsRemountUrl_data();
    void gvfsRemountUrl();
    void isNetworkFilesystem_data();
    void isNetworkFilesystem();
    void mountContainingPicksLongestPrefix();
    void gvfsFolderIsRemote();
    void localPathIsLocal();
    void missingPathFails();
    void randomInputNeverCrashes();
};

void tst_MountInfo::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("source");
    QTest::newRow("sshfs") << "88 29 0:52 / /mnt/netshare/sshfs rw,nosuid,nodev,relatime shared:45 - fuse.sshfs "
                              "root@10.231.7.2:/run/netshare-testbed/export/ssh rw,user_id=0,group_id=0,allow_other"
                           << "/mnt/netshare/sshfs" << "fuse.sshfs" << "root@10.231.7.2:/run/netshare-testbed/export/ssh";
    QTest::newRow("davfs") << "90 29 0:54 / /mnt/netshare/webdav rw,nosuid,nodev,relatime shared:47 - fuse "
                              "http://10.231.7.2:8080/ rw,user_id=0,group_id=0,allow_other,max_read=16384"
                           << "/mnt/netshare/webdav" << "fuse" << "http://10.231.7.2:8080/";
    QTest::newRow("smbnetfs") << "92 29 0:56 / /mnt/netshare/smb rw,nosuid,nodev,relatime shared:49 - fuse.smbnetfs "
                                 "smbnetfs rw,user_id=0,group_id=0"
                              << "/mnt/netshare/smb" << "fuse.smbnetfs" << "smbnetfs";
    QTest::newRow("escaped blank, no optional fields")
        << "40 1 8:1 / /media/My\\040Disk rw - ext4 /dev/sda1 rw" << "/media/My Disk" << "ext4" << "/dev/sda1";
    QTest::newRow("several optional fields")
        << "41 1 0:40 / /srv/nfs rw shared:5 master:2 - nfs4 server:/export rw,vers=4.2"
        << "/srv/nfs" << "nfs4" << "server:/export";
}

void tst_MountInfo::parseLine()
{
    QFETCH(QString, line);
    const std::optional<MountEntry> entry = MountInfo::parseLine(line);
    QVERIFY(entry);
    QTEST(entry->mountPoint, "mountPoint");
    QTEST(entry->filesystemType, "type");
    QTEST(entry->source, "source");
}

void tst_MountInfo::parseLineRejectsMalformed_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << QString();
    QTest::newRow("no separator") << "1 2 3:4 / /mnt rw ext4 /dev/x rw";
    QTest::newRow("nothing after separator") << "1 2 3:4 / /mnt rw -";
    QTest::newRow("id not a number") << "x 2 3:4 / /mnt rw - ext4 /dev/x rw";
    QTest::newRow("relative mount point") << "1 2 3:4 / mnt rw - ext4 /dev/x rw";
}

void tst_MountInfo::parseLineRejectsMalformed()
{
    QFETCH(QString, line);
    QVERIFY(!MountInfo::parseLine(line));
}

void tst_MountInfo::unescape_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank") << "/a\\040b" << "/a b";
    QTest::newRow("tab and newline") << "\\011x\\012" << "\tx\n";
    QTest::newRow("backslash") << "a\\134b" << "a\\b";
    QTest::newRow("short escape kept") << "a\\04" << "a\\04";
    QTest::newRow("not octal kept") << "a\\089" << "a\\089";
    QTest::newRow("utf-8 bytes") << "caf\\303\\251" << QString::fromUtf8("café");
}

void tst_MountInfo::unescape()
{
    QFETCH(QString, field);
    QTEST(MountInfo::unescape(field), "expected");
}

void tst_MountInfo::remountUrl_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("superOptions");
    QTest::addColumn<QString>("expected");  // empty: no URL
    QTest::newRow("cifs with user") << "cifs" << "//fs1/Projects/2024" << "rw,username=anna,vers=3.1.1"
                                    << "smb://anna@fs1/Projects/2024";
    QTest::newRow("cifs backslashes") << "cifs" << "\\\\fs1\\media" << "rw" << "smb://fs1/media";
    QTest::newRow("cifs without share") << "smb3" << "//fs1" << "rw" << "smb://fs1/";
    QTest::newRow("cifs not unc") << "cifs" << "fs1/media" << "rw" << "";
    QTest::newRow("nfs") << "nfs" << "nas:/export/path" << "rw" << "nfs://nas/export/path";
    QTest::newRow("nfs ipv6") << "nfs4" << "[fd00::2]:/data" << "rw" << "nfs://[fd00::2]/data";
    QTest::newRow("nfs without colon") << "nfs" << "nas" << "rw" << "";
    QTest::newRow("davfs https") << "davfs" << "https://dav.example/files/" << "rw" << "https://dav.example/files/";
    QTest::newRow("fuse http") << "fuse" << "http://10.231.7.2:8080/" << "rw" << "http://10.231.7.2:8080/";
    QTest::newRow("sshfs") << "fuse.sshfs" << "root@10.231.7.2:/run/export/ssh" << "rw"
                           << "sftp://root@10.231.7.2/run/export/ssh";
    QTest::newRow("sshfs relative") << "fuse.sshfs" << "host:" << "rw" << "sftp://host/";
    QTest::newRow("sshfs ipv6") << "fuse.sshfs" << "[::1]:/x" << "rw" << "sftp://[::1]/x";
    QTest::newRow("sshfs empty") << "fuse.sshfs" << "" << "rw" << "";
    QTest::newRow("smbnetfs root") << "fuse.smbnetfs" << "smbnetfs" << "rw" << "";
    QTest::newRow("local") << "ext4" << "/dev/sda1" << "rw" << "";
    QTest::newRow("bad host") << "cifs" << "//bad host/x" << "rw" << "";
}

void tst_MountInfo::remountUrl()
{
    QFETCH(QString, type);
    QFETCH(QString, source);
    QFETCH(QString, superOptions);
    QFETCH(QString, expected);
    MountEntry entry;
    entry.mountPoint = QStringLiteral("/mnt/x");
    entry.filesystemType = type;
    entry.source = source;
    entry.superOptions = superOptions;
    QCOMPARE(MountInfo::remountUrl(entry).value_or(QString()), expected);
}

void tst_MountInfo::gvfsRemountUrl_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("smb") << "smb-share:server=h,share=s,user=u" << "smb://u@h/s";
    QTest::newRow("dav ssl") << "dav:host=h,ssl=true,prefix=%2Fp" << "https://h/p";
    QTest::newRow("dav plain") << "dav:host=h,ssl=false,prefix=/p" << "http://h/p";
    QTest::newRow("sftp") << "sftp:host=h,user=u" << "sftp://u@h/";
    QTest::newRow("nfs") << "nfs:host=h,prefix=/e" << "nfs://h/e";
    QTest::newRow("local device") << "mtp:host=Phone" << "";
    QTest::newRow("no colon") << "random" << "";
    QTest::newRow("no host") << "smb-share:share=s" << "";
}

void tst_MountInfo::gvfsRemountUrl()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(MountInfo::gvfsRemountUrl(folder).value_or(QString()), expected);
}

void tst_MountInfo::isNetworkFilesystem_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("expected");
    QTest::newRow("cifs") << "cifs" << "//h/s" << true;
    QTest::newRow("nfs4") << "nfs4" << "h:/" << true;
    QTest::newRow("sshfs") << "fuse.sshfs" << "h:/" << true;
    QTest::newRow("smbnetfs") << "fuse.smbnetfs" << "smbnetfs" << true;
    QTest::newRow("fuse with url") << "fuse" << "https://h/" << true;
    QTest::newRow("fuse local") << "fuse" << "/dev/sdb1" << false;
    QTest::newRow("9p") << "9p" << "share" << true;
    QTest::newRow("ext4") << "ext4" << "/dev/sda1" << false;
    QTest::newRow("tmpfs") << "tmpfs" << "tmpfs" << false;
    QTest::newRow("gvfs root") << "fuse.gvfsd-fuse" << "gvfsd-fuse" << false;
}

void tst_MountInfo::isNetworkFilesystem()
{
    QFETCH(QString, type);
    QFETCH(QString, source);
    QTEST(MountInfo::isNetworkFilesystem(type, source), "expected");
}

void tst_MountInfo::mountContainingPicksLongestPrefix()
{
    const QList<MountEntry> table = MountInfo::parseTable(QStringLiteral(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 0:5 / /mnt rw - tmpfs tmpfs rw\n"
        "3 2 0:6 / /mnt/share rw - cifs //h/s rw\n"
        "4 2 0:7 / /mnt/share rw - nfs h:/x rw\n"
        "garbage line\n"));
    QCOMPARE(table.size(), 4);
    QCOMPARE(MountInfo::mountContaining(table, QStringLiteral("/mnt/share/a/b"))->mountId, 4);
    QCOMPARE(MountInfo::mountContaining(table, QStringLiteral("/mnt/shareX"))->mountId, 2);
    QCOMPARE(MountInfo::mountContaining(table, QStringLiteral("/mnt"))->mountId, 2);
    QCOMPARE(MountInfo::mountContaining(table, QStringLiteral("/home"))->mountId, 1);
    QVERIFY(!MountInfo::mountContaining(table, QStringLiteral("relative")));
}

void tst_MountInfo::gvfsFolderIsRemote()
{
    MountEntry gvfs;
    gvfs.mountPoint = QStringLiteral("/run/user/1000/gvfs");
    gvfs.filesystemType = QStringLiteral("fuse.gvfsd-fuse");
    QVERIFY(MountInfo::isRemoteLocation(gvfs, QStringLiteral("/run/user/1000/gvfs/smb-share:server=h,share=s/dir")));
    QVERIFY(!MountInfo::isRemoteLocation(gvfs, QStringLiteral("/run/user/1000/gvfs/mtp:host=Phone")));
    QVERIFY(!MountInfo::isRemoteLocation(gvfs, QStringLiteral("/run/user/1000/gvfs")));
}

void tst_MountInfo::localPathIsLocal()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const std::optional<bool> isLocal = MountInfo::isPathOnLocalVolume(directory.path());
    QVERIFY(isLocal);
    QVERIFY(*isLocal);
    QVERIFY(MountInfo::readTable().has_value());
}

void tst_MountInfo::missingPathFails()
{
    QTemporaryDir directory;
    QString errorText;
    QVERIFY(!MountInfo::isPathOnLocalVolume(directory.path() + QStringLiteral("/missing"), &errorText));
    QVERIFY(!errorText.isEmpty());
}

void tst_MountInfo::randomInputNeverCrashes()
{
    QRandomGenerator generator(7);
    const QString alphabet = QStringLiteral(" -\\0123457:/@[]abcfhnstuv,=%\n");
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(generator.bounded(60));
        for (int i = 0; i < length; ++i)
            text += alphabet.at(int(generator.bounded(int(alphabet.size()))));
        MountInfo::parseLine(text);
        MountInfo::unescape(text);
        MountInfo::gvfsRemountUrl(text);
        for (const char *type : {"cifs", "nfs", "fuse.sshfs", "fuse", "afpfs"}) {
            MountEntry entry;
            entry.filesystemType = QLatin1String(type);
            entry.source = text;
            entry.superOptions = text;
            if (const std::optional<QString> url = MountInfo::remountUrl(entry))
                QVERIFY(!url->isEmpty());
        }
    }
}

QTEST_GUILESS_MAIN(tst_MountInfo)
#include "tst_mountinfo.moc"
