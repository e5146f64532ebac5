#include "discovery/volumemonitor.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>
#include <unistd.h>

using namespace trevlamark;

class tst_VolumeMonitor : public QObject
{
    Q_OBJECT
private slots:
    void startsIdle();
    void eventWithoutPathChangesNothing();
    void eachEventCountsOnce();
    void startTwiceWatchesOnce();
    void sharedIsOneInstance();
    void mountAndUnmountCountTwo();
};

void tst_VolumeMonitor::startsIdle()
{
    VolumeMonitor monitor;
    QCOMPARE(monitor.mountChangeCount(), 0);
    QVERIFY(!monitor.isMonitoring());
    monitor.stopMonitoring();
    QVERIFY(!monitor.isMonitoring());
}

void tst_VolumeMonitor::eventWithoutPathChangesNothing()
{
    VolumeMonitor monitor;
    QSignalSpy changes(&monitor, &VolumeMonitor::mountChangeCountChanged);
    monitor.handleVolumeMounted(QString());
    monitor.handleVolumeUnmounted(QString());
    QCoreApplication::processEvents();
    QCOMPARE(changes.count(), 0);
    QCOMPARE(monitor.mountChangeCount(), 0);
}

void tst_VolumeMonitor::eachEventCountsOnce()
{
    VolumeMonitor monitor;
    QSignalSpy changes(&monitor, &VolumeMonitor::mountChangeCountChanged);
    monitor.handleVolumeMounted(QStringLiteral("/mnt/a"));
    monitor.handleVolumeUnmounted(QStringLiteral("/mnt/a"));
    // The count changes on the main loop, after the handlers have returned.
    QCOMPARE(monitor.mountChangeCount(), 0);
    QTRY_COMPARE(monitor.mountChangeCount(), 2);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(0).first().toInt(), 1);
    QCOMPARE(changes.at(1).first().toInt(), 2);
}

void tst_VolumeMonitor::startTwiceWatchesOnce()
{
    VolumeMonitor monitor;
    monitor.startMonitoring();
    QVERIFY(monitor.isMonitoring());
    monitor.startMonitoring();
    QVERIFY(monitor.isMonitoring());
    monitor.stopMonitoring();
    QVERIFY(!monitor.isMonitoring());
}

void tst_VolumeMonitor::sharedIsOneInstance()
{
    QCOMPARE(&VolumeMonitor::shared(), &VolumeMonitor::shared());
}

void tst_VolumeMonitor::mountAndUnmountCountTwo()
{
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root");
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    // Other programs may mount things meanwhile, so a watcher of our own tells
    // which events happened; the monitor must count every one of them once.
    std::mutex mutex;
    QList<MountChange> seen;
    MountWatcher watcher([&](const QList<MountChange> &changes) {
        std::lock_guard lock(mutex);
        seen.append(changes);
    });
    QVERIFY(watcher.start());
    VolumeMonitor monitor;
    monitor.startMonitoring();
    const auto seenNow = [&] {
        std::lock_guard lock(mutex);
        return seen;
    };
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                         QStringLiteral("trevlamark-test"), directory.path()}),
             0);
    QCOMPARE(QProcess::execute(QStringLiteral("umount"), {directory.path()}), 0);
    QTRY_VERIFY(seenNow().contains(MountChange{false, directory.path()}));
    QCOMPARE(seenNow().count(MountChange{true, directory.path()}), 1);
    QTRY_COMPARE(monitor.mountChangeCount(), int(seenNow().size()));
    monitor.stopMonitoring();
    watcher.stop();
}

QTEST_GUILESS_MAIN(tst_VolumeMonitor)
#include "tst_volumemonitor.moc"
