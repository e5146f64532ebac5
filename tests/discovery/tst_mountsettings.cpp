// The mount's own settings and the hints where one caps speed, read from
// mount table lines recorded on machines with the kernel's NFS and SMB clients.

#include "discovery/mountsettings.h"
#include "platform/mountinfo.h"

#include <QtTest>

using namespace trevlamark;

class tst_MountSettings : public QObject
{
    Q_OBJECT
private slots:
    void hintsFromRecordedLines_data();
    void hintsFromRecordedLines();
};

void tst_MountSettings::hintsFromRecordedLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("linkCount");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("hintSettings");

    const QString nfs = QStringLiteral("412 29 0:61 / /mnt/nfs rw,relatime shared:210 - %1 fs1:/export %2");
    QTest::newRow("nfs 3, one connection")
        << nfs.arg("nfs", "rw,vers=3,rsize=1048576,wsize=1048576,namlen=255,hard,proto=tcp,timeo=600,retrans=2,sec=sys,"
                          "mountaddr=192.0.2.10,mountvers=3,mountport=20048,mountproto=udp,local_lock=none,addr=192.0.2.10")
        << 1 << "NFS 3 over tcp, one connection, rsize 1 MiB, wsize 1 MiB, hard" << QStringList{"nconnect"};
    QTest::newRow("nfs 3, nconnect, small sizes")
        << nfs.arg("nfs", "rw,vers=3,rsize=262144,wsize=65536,namlen=255,soft,nconnect=8,proto=tcp,timeo=600,"
                          "retrans=2,sec=sys,actimeo=30,local_lock=none,addr=192.0.2.10")
        << 1 << "NFS 3 over tcp, nconnect 8, rsize 256 KiB, wsize 64 KiB, soft, actimeo 30 s"
        << QStringList{"rsize", "wsize"};
    QTest::newRow("nfs 4.2, one connection")
        << nfs.arg("nfs4", "rw,vers=4.2,rsize=1048576,wsize=1048576,namlen=255,hard,proto=tcp,timeo=600,retrans=2,"
                           "sec=sys,clientaddr=192.0.2.5,local_lock=none,addr=192.0.2.10")
        << 2 << "NFS 4.2 over tcp, one connection, rsize 1 MiB, wsize 1 MiB, hard" << QStringList{"nconnect"};
    QTest::newRow("nfs 4.2, nconnect")
        << nfs.arg("nfs4", "rw,vers=4.2,rsize=1048576,wsize=1048576,namlen=255,hard,nconnect=4,proto=tcp,timeo=600,"
                           "retrans=2,sec=sys,clientaddr=192.0.2.5,local_lock=none,addr=192.0.2.10")
        << 2 << "NFS 4.2 over tcp, nconnect 4, rsize 1 MiB, wsize 1 MiB, hard" << QStringList();
    QTest::newRow("nfs 4 over rdma") << nfs.arg("nfs4", "rw,vers=4.1,rsize=1048576,wsize=1048576,hard,proto=rdma")
        << 1 << "NFS 4.1 over rdma, one connection, rsize 1 MiB, wsize 1 MiB, hard" << QStringList();

    const QString cifs = QStringLiteral("95 29 0:48 / /mnt/media rw,relatime shared:50 - cifs //fs1/media %1");
    QTest::newRow("cifs 2.1")
        << cifs.arg("rw,vers=2.1,cache=strict,username=anna,uid=0,noforceuid,gid=0,noforcegid,addr=192.0.2.10,"
                    "file_mode=0755,dir_mode=0755,soft,nounix,serverino,mapposix,rsize=65536,wsize=65536,"
                    "bsize=1048576,echo_interval=60,actimeo=1")
        << 2 << "SMB 2.1 over tcp, cache=strict, one channel, rsize 64 KiB, wsize 64 KiB, soft, actimeo 1 s"
        << QStringList{"vers", "multichannel", "rsize", "wsize"};
    QTest::newRow("cifs 3.1.1, one link")
        << cifs.arg("rw,vers=3.1.1,cache=strict,username=anna,uid=0,gid=0,addr=192.0.2.10,soft,serverino,"
                    "rsize=4194304,wsize=4194304,bsize=1048576,echo_interval=60,actimeo=1")
        << 1 << "SMB 3.1.1 over tcp, cache=strict, one channel, rsize 4 MiB, wsize 4 MiB, soft, actimeo 1 s"
        << QStringList();
    QTest::newRow("cifs 3.1.1 without multichannel, two links")
        << cifs.arg("rw,vers=3.1.1,cache=strict,username=anna,uid=0,gid=0,addr=192.0.2.10,soft,serverino,"
                    "rsize=4194304,wsize=4194304,bsize=1048576,echo_interval=60,actimeo=1")
        << 2 << "SMB 3.1.1 over tcp, cache=strict, one channel, rsize 4 MiB, wsize 4 MiB, soft, actimeo 1 s"
        << QStringList{"multichannel"};
    QTest::newRow("cifs 3.1.1 with multichannel")
        << cifs.arg("rw,vers=3.1.1,cache=loose,username=anna,uid=0,gid=0,addr=192.0.2.10,hard,serverino,"
                    "multichannel,max_channels=4,rsize=4194304,wsize=4194304,bsize=1048576,echo_interval=60")
        << 2 << "SMB 3.1.1 over tcp, cache=loose, multichannel, 4 channels, rsize 4 MiB, wsize 4 MiB, hard"
        << QStringList();

    QTest::newRow("sshfs")
        << "88 29 0:52 / /mnt/netshare/sshfs rw,nosuid,nodev,relatime shared:45 - fuse.sshfs "
           "root@10.231.7.2:/run/export/ssh rw,user_id=0,group_id=0,allow_other"
        << 2 << "FUSE through sshfs (SFTP over SSH)" << QStringList();
    QTest::newRow("davfs2, 16 KiB reads")
        << "90 29 0:54 / /mnt/netshare/webdav rw,nosuid,nodev,relatime shared:47 - fuse http://10.231.7.2:8080/ "
           "rw,user_id=0,group_id=0,allow_other,max_read=16384"
        << 1 << "FUSE through davfs2 (WebDAV), max_read 16 KiB" << QStringList{"max_read"};
    QTest::newRow("smbnetfs")
        << "91 29 0:55 / /mnt/netshare/smb rw,nosuid,nodev,relatime shared:48 - fuse.smbnetfs smbnetfs "
           "rw,user_id=0,group_id=0,max_read=131072"
        << 2 << "FUSE through smbnetfs (SMB through libsmbclient), max_read 128 KiB" << QStringList();
    QTest::newRow("rclone")
        << "92 29 0:56 / /mnt/cloud rw,nosuid,nodev,relatime shared:49 - fuse.rclone drive: "
           "rw,user_id=1000,group_id=1000"
        << 1 << "FUSE through rclone (remote storage)" << QStringList();
    QTest::newRow("local file system, options as they stand")
        << "29 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro" << 1
        << "ext4: rw,relatime,errors=remount-ro" << QStringList();
}

void tst_MountSettings::hintsFromRecordedLines()
{
    QFETCH(QString, line);
    QFETCH(int, linkCount);
    QFETCH(QString, summary);
    QFETCH(QStringList, hintSettings);

    const std::optional<MountEntry> entry = MountInfo::parseLine(line);
    QVERIFY(entry);
    const MountSettings settings = MountSettings::fromEntry(*entry, linkCount);
    QCOMPARE(settings.summary(), summary);
    QStringList found;
    for (const MountSettings::Hint &hint : settings.hints) {
        found << hint.setting;
        QVERIFY2(hint.text.contains(QLatin1Char(':')), qPrintable(hint.text)); // a setting, then its reason
    }
    QCOMPARE(found, hintSettings);
    QCOMPARE(MountSettings::fromJson(settings.toJson()), std::optional<MountSettings>(settings));
}

QTEST_GUILESS_MAIN(tst_MountSettings)
#include "tst_mountsettings.moc"
