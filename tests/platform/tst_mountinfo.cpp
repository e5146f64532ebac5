#include "platform/mountinfo.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

class tst_MountInfo : public QObject
{
    Q_OBJECT
private slots:
    void parseLine_data();
    void parseLine();
    void unescape_data();
    void unescape();
    void remountUrl_data();
    void remountUrl();
    void gvfsRemountUrl_data();
    void gvfsRemountUrl();
    void isNetworkFilesystem_data();
    void isNetworkFilesystem();
    void gvfsFolderIsRemote();
    void localityOfRealPaths();
    void recordedTableWithAwkwardPaths();
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
    // Malformed lines: no entry (an empty mount point).
    QTest::newRow("empty") << QString() << "" << "" << "";
    QTest::newRow("no separator") << "1 2 3:4 / /mnt rw ext4 /dev/x rw" << "" << "" << "";
    QTest::newRow("nothing after separator") << "1 2 3:4 / /mnt rw -" << "" << "" << "";
    QTest::newRow("id not a number") << "x 2 3:4 / /mnt rw - ext4 /dev/x rw" << "" << "" << "";
    QTest::newRow("relative mount point") << "1 2 3:4 / mnt rw - ext4 /dev/x rw" << "" << "" << "";
}

void tst_MountInfo::parseLine()
{
    QFETCH(QString, line);
    const MountEntry entry = MountInfo::parseLine(line).value_or(MountEntry());
    QTEST(entry.mountPoint, "mountPoint");
    QTEST(entry.filesystemType, "type");
    QTEST(entry.source, "source");
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
    QTest::newRow("smbnetfs") << "fuse.smbnetfs" << "smbnetfs" << true;
    QTest::newRow("fuse with url") << "fuse" << "https://h/" << true;
    QTest::newRow("fuse local") << "fuse" << "/dev/sdb1" << false;
    QTest::newRow("9p") << "9p" << "share" << true;
    QTest::newRow("ext4") << "ext4" << "/dev/sda1" << false;
    QTest::newRow("gvfs root") << "fuse.gvfsd-fuse" << "gvfsd-fuse" << false;
}

void tst_MountInfo::isNetworkFilesystem()
{
    QFETCH(QString, type);
    QFETCH(QString, source);
    QTEST(MountInfo::isNetworkFilesystem(type, source), "expected");
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

void tst_MountInfo::localityOfRealPaths()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    QCOMPARE(MountInfo::isPathOnLocalVolume(directory.path()), std::optional<bool>(true));
    QString errorText;
    QVERIFY(!MountInfo::isPathOnLocalVolume(directory.filePath(QStringLiteral("missing")), &errorText));
    QVERIFY(!errorText.isEmpty());
}

void tst_MountInfo::recordedTableWithAwkwardPaths()
{
    // A 4,000-byte mount point in the kernel's escaped form: each blank
    // written as \040 (four bytes in the table, one in the path).
    QString longPath = QStringLiteral("/mnt");
    QString longEscaped = longPath;
    while (longPath.size() < 3990) {
        longPath += QStringLiteral("/dir with blank");
        longEscaped += QStringLiteral("/dir\\040with\\040blank");
    }
    const QList<MountEntry> entries = MountInfo::parseTable(QStringLiteral(
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "61 22 0:50 / /mnt/My\\040Share rw,nosuid shared:30 - fuse.sshfs root@10.0.0.2:/srv/My\\040Files rw\n"
        "62 22 0:51 / /mnt/line\\012break rw - cifs //server/line\\012share rw,vers=3.1.1\n"
        "65 22 0:54 / %1 rw - tmpfs tmpfs rw\n"
        "garbage line\n"
        "66 22 0:55 / /mnt/My\\040Share rw - nfs h:/x rw\n").arg(longEscaped));
    QCOMPARE(entries.size(), 5);
    QCOMPARE(entries.at(1).source, QStringLiteral("root@10.0.0.2:/srv/My Files"));
    QCOMPARE(entries.at(2).source, QStringLiteral("//server/line\nshare"));
    QCOMPARE(entries.at(3).mountPoint, longPath);
    QCOMPARE(MountInfo::mountContaining(entries, QStringLiteral("/mnt/line\nbreak/sub"))->mountId, 62);
    // A later mount on the same point is mounted over the earlier one.
    QCOMPARE(MountInfo::mountContaining(entries, QStringLiteral("/mnt/My Share/a b"))->mountId, 66);
    QCOMPARE(MountInfo::mountContaining(entries, longPath + QStringLiteral("/x"))->mountId, 65);
    QCOMPARE(MountInfo::mountContaining(entries, QStringLiteral("/mnt/My"))->mountId, 22);
    QVERIFY(!MountInfo::mountContaining(entries, QStringLiteral("relative")));
}

QTEST_GUILESS_MAIN(tst_MountInfo)
#include "tst_mountinfo.moc"
