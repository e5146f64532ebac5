#include "discovery/volumemonitor.h"
#include "support/mountrecorder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace trevlamark;

class tst_VolumeMonitor : public QObject
{
    Q_OBJECT
private slots:
    void mountAndUnmountCountTwo();
};

void tst_VolumeMonitor::mountAndUnmountCountTwo()
{
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root");
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    MountRecorder recorder;
    QVERIFY(recorder.start());
    VolumeMonitor monitor;
    monitor.startMonitoring();
    QVERIFY(monitor.isMonitoring());
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                         QStringLiteral("trevlamark-test"), directory.path()}),
             0);
    QCOMPARE(QProcess::execute(QStringLiteral("umount"), {directory.path()}), 0);
    QTRY_COMPARE(recorder.count(false, directory.path()), 1);
    QCOMPARE(recorder.count(true, directory.path()), 1);
    // Every change counts once, on the main loop: two when nothing else changed the mount table meanwhile.
    QTRY_COMPARE(monitor.mountChangeCount(), int(recorder.changes().size()));
    monitor.stopMonitoring();
}

QTEST_GUILESS_MAIN(tst_VolumeMonitor)
#include "tst_volumemonitor.moc"
