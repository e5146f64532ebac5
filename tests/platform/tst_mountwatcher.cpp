#include "platform/mountinfo.h"
#include "platform/mountwatcher.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>
#include <unistd.h>

using namespace trevlamark;

class tst_MountWatcher : public QObject
{
    Q_OBJECT
private slots:
    void diffReportsUnmountsThenMounts();
    void diffOfSameTableIsEmpty();
    void startAndStop();
    void seesMountAndUnmount();
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
}

void tst_MountWatcher::diffOfSameTableIsEmpty()
{
    const QList<MountEntry> table = MountInfo::parseTable(QStringLiteral("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"));
    QVERIFY(MountWatcher::diff(table, table).isEmpty());
    QVERIFY(MountWatcher::diff({}, {}).isEmpty());
}

void tst_MountWatcher::startAndStop()
{
    MountWatcher watcher([](const QList<MountChange> &) {});
    QVERIFY(watcher.start());
    QVERIFY(watcher.isRunning());
    QVERIFY(watcher.start());
    watcher.stop();
    QVERIFY(!watcher.isRunning());
    watcher.stop();
}

void tst_MountWatcher::seesMountAndUnmount()
{
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root");
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    std::mutex mutex;
    QList<MountChange> seen;
    MountWatcher watcher([&](const QList<MountChange> &changes) {
        std::lock_guard lock(mutex);
        seen.append(changes);
    });
    QVERIFY(watcher.start());
    const auto ours = [&](bool isMount) {
        std::lock_guard lock(mutex);
        return std::count(seen.cbegin(), seen.cend(), MountChange{isMount, directory.path()});
    };
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                         QStringLiteral("trevlamark-test"), directory.path()}),
             0);
    QTRY_COMPARE(ours(true), 1);
    QCOMPARE(QProcess::execute(QStringLiteral("umount"), {directory.path()}), 0);
    QTRY_COMPARE(ours(false), 1);
    watcher.stop();
}

QTEST_GUILESS_MAIN(tst_MountWatcher)
#include "tst_mountwatcher.moc"
