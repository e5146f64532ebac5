#include "platform/mountinfo.h"
#include "platform/mountwatcher.h"

#include <QtTest>

using namespace trevlamark;

class tst_MountWatcher : public QObject
{
    Q_OBJECT
private slots:
    void diffReportsUnmountsThenMounts();
};

void tst_MountWatcher::diffReportsUnmountsThenMounts()
{
    const QList<MountEntry> before = MountInfo::parseTable(QStringLiteral("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                                          "2 1 0:5 / /mnt/a rw - tmpfs t rw\n"
                                                                          "3 1 0:6 / /mnt/b rw - tmpfs t rw\n"));
    const QList<MountEntry> after = MountInfo::parseTable(QStringLiteral("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                                         "3 1 0:6 / /mnt/b rw - tmpfs t rw\n"
                                                                         "4 1 0:7 / /mnt/c rw - tmpfs t rw\n"
                                                                         "5 1 0:8 / /mnt/b rw - tmpfs t rw\n"));
    const QList<MountChange> expected = {{false, QStringLiteral("/mnt/a")},
                                         {true, QStringLiteral("/mnt/c")},
                                         {true, QStringLiteral("/mnt/b")}};
    QCOMPARE(MountWatcher::diff(before, after), expected);
    QVERIFY(MountWatcher::diff(after, after).isEmpty());
}

QTEST_GUILESS_MAIN(tst_MountWatcher)
#include "tst_mountwatcher.moc"
