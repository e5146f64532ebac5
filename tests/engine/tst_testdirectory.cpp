// The test directory's files, removal and sweep on real folders.

#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "support/leftover.h"
#include "support/scratchvolume.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace trevlamark;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class tst_TestDirectory : public QObject
{
    Q_OBJECT

private slots:
    void sweepTakesTestDirectoriesOnly();
    void sameSecondTakesNextFreeName();
    void sweepSparesRunningTests_data();
    void sweepSparesRunningTests();
    void removalTakesLinksNotTargets_data();
    void removalTakesLinksNotTargets();
    void mountInsideIsNotEmptied();
    void removalRetriesOnBusyMount();
};

void tst_TestDirectory::sweepTakesTestDirectoriesOnly()
{
    QTemporaryDir location;
    const QString root = location.path();
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data_1700000000/inner")));
    touch(root + QStringLiteral("/Trevlamark_Test_Data_1700000000/inner/f.dat"));
    QVERIFY(makeLeftover(root + QStringLiteral("/Trevlamark_Test_Data_1700000000")));
    QVERIFY(makeLeftover(root + QStringLiteral("/Trevlamark_Test_Data_abc")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data")));
    touch(root + QStringLiteral("/Trevlamark_Test_Data_file.txt"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_DataX")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/keep/Trevlamark_Test_Data_inside")));
    QCOMPARE(TestDirectory::leftovers(root),
        (QStringList{root + "/Trevlamark_Test_Data", root + "/Trevlamark_Test_Data_1700000000",
            root + "/Trevlamark_Test_Data_abc"}));

    TestDirectory::sweep(root);
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList{"Trevlamark_Test_DataX", "Trevlamark_Test_Data_file.txt", "keep"}));
    QString problem;
    QVERIFY(TestDirectory::leftovers(root + QStringLiteral("/nope"), &problem).isEmpty());
    QVERIFY(!problem.isEmpty());
}

void tst_TestDirectory::sameSecondTakesNextFreeName()
{
    QTemporaryDir location;
    const QString first = location.filePath(QStringLiteral("Trevlamark_Test_Data_1700000100"));
    QCOMPARE(TestDirectory::create(location.path(), 1700000100), first);
    QCOMPARE(TestDirectory::create(location.path(), 1700000100), first + QStringLiteral("_2"));
    touch(first + QStringLiteral("_3"));
    QCOMPARE(TestDirectory::create(location.path(), 1700000100), first + QStringLiteral("_4"));
    QCOMPARE(TestDirectory::leftovers(location.path()), (QStringList{first, first + "_2", first + "_4"}));
}

void tst_TestDirectory::sweepSparesRunningTests_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("kept");
    QTest::newRow("running test of this process") << "held" << false << true;
    QTest::newRow("forced") << "held" << true << false;
    QTest::newRow("ended test of this process") << "released" << false << false;
    QTest::newRow("process id now of another process") << "reused" << false << false;
    QTest::newRow("other computer, refreshed") << "remote" << false << true;
    QTest::newRow("other computer, stale") << "stale remote" << false << false;
    QTest::newRow("just created, no marker yet") << "none" << false << true;
    QTest::newRow("just created, forced") << "none" << true << false;
    QTest::newRow("old, no marker") << "none, old" << false << false;
}

void tst_TestDirectory::sweepSparesRunningTests()
{
    QFETCH(QString, owner);
    QFETCH(bool, force);
    QFETCH(bool, kept);
    QTemporaryDir location;
    const QString directory = location.filePath(QStringLiteral("Trevlamark_Test_Data_1700000200"));
    QVERIFY(QDir().mkdir(directory));
    std::shared_ptr<RunMarker> placed = owner.startsWith("none") ? nullptr : RunMarker::place(directory);
    QVERIFY(placed || owner.startsWith("none"));
    if (owner == "none, old")
        QVERIFY(makeLeftover(directory));
    if (owner != "held")
        placed.reset();
    if (owner == "reused" || owner.endsWith("remote")) {
        ProcessIdentity identity = ProcessIdentity::current();
        if (owner == "reused")
            ++identity.startTicks;
        else
            identity.host = QStringLiteral("elsewhere.example");
        QVERIFY(RunMarker::write(directory, identity, QStringLiteral("run")));
    }
    const QString marker = directory + QLatin1Char('/') + QLatin1String(RunMarker::fileName);
    const bool refreshed = owner == "held" && !force;
    if (refreshed || owner == "stale remote") {
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
    }
    if (refreshed) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).lastModified().secsTo(QDateTime::currentDateTime())
            < RunMarker::refreshSeconds, 2000 * RunMarker::refreshSeconds);
    }

    const QList<SkippedDirectory> skipped = TestDirectory::sweep(location.path(), force);
    QCOMPARE(QFileInfo::exists(directory), kept);
    QCOMPARE(skipped.size(), kept ? 1 : 0);
}

void tst_TestDirectory::removalTakesLinksNotTargets_data()
{
    QTest::addColumn<bool>("bySweep");
    QTest::newRow("sweep") << true;
    QTest::newRow("removal with retries") << false;
}

void tst_TestDirectory::removalTakesLinksNotTargets()
{
    QFETCH(bool, bySweep);
    QTemporaryDir location;
    QTemporaryDir outside;
    touch(outside.filePath(QStringLiteral("precious.dat")));
    QVERIFY(QDir().mkpath(outside.filePath(QStringLiteral("folder"))));
    touch(outside.filePath(QStringLiteral("folder/kept.dat")));
    const QString directory = location.filePath(QStringLiteral("Trevlamark_Test_Data_1700000001"));
    QVERIFY(QDir().mkpath(directory + QStringLiteral("/nested")));
    QVERIFY(QFile::link(outside.path(), directory + QStringLiteral("/to-folder")));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("precious.dat")), directory + QStringLiteral("/to-file")));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("folder")), directory + QStringLiteral("/nested/deeper")));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("missing")), directory + QStringLiteral("/dangling")));
    // Test directory names that are links to folders outside.
    const QString fixedLink = location.filePath(QStringLiteral("Trevlamark_Test_Data"));
    const QString prefixedLink = location.filePath(QStringLiteral("Trevlamark_Test_Data_link"));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("folder")), fixedLink));
    QVERIFY(QFile::link(outside.path(), prefixedLink));
    QVERIFY(makeLeftover(directory));

    if (bySweep)
        TestDirectory::sweep(location.path());
    else
        QVERIFY(TestDirectory::removeWithRetry(directory, 5).success);

    QVERIFY(!QFileInfo::exists(directory));
    QCOMPARE(QFileInfo(fixedLink).isSymLink(), !bySweep);
    QCOMPARE(QFileInfo(prefixedLink).isSymLink(), !bySweep);
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("folder/kept.dat"))).isFile());
}

void tst_TestDirectory::mountInsideIsNotEmptied()
{
    if (::geteuid() != 0)
        QSKIP("bind mounts need root");
    QTemporaryDir location;
    QTemporaryDir outside;
    touch(outside.filePath(QStringLiteral("precious.dat")));
    const QString directory = location.filePath(QStringLiteral("Trevlamark_Test_Data_1700000002"));
    const QString mountPoint = directory + QStringLiteral("/mounted");
    QVERIFY(QDir().mkpath(mountPoint));
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"--bind", outside.path(), mountPoint}), 0);
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint}); });
    QVERIFY(makeLeftover(directory));

    TestDirectory::sweep(location.path());

    // Another file system inside a test directory is never emptied.
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
    QVERIFY(QFileInfo(mountPoint).isDir());
}

void tst_TestDirectory::removalRetriesOnBusyMount()
{
    ScratchVolume volume(QStringLiteral("busy/mnt"));
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=1m")))
        QSKIP(qPrintable(*problem));
    touch(volume.mountPoint() + QStringLiteral("/inside.dat"));
    const DeletionResult result = TestDirectory::removeWithRetry(volume.filePath(QStringLiteral("busy")), 3);
    QVERIFY(!result.success);
    QCOMPARE(result.attempts, 3);
    QVERIFY(result.lastError && result.lastError->contains(QLatin1String("Device or resource busy")));
    QVERIFY(QFileInfo(volume.mountPoint() + QStringLiteral("/inside.dat")).isFile());
}

QTEST_GUILESS_MAIN(tst_TestDirectory)
#include "tst_testdirectory.moc"
