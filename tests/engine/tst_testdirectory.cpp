// The test directory's files, removal and sweep on real folders.

#include "engine/testdirectory.h"
#include "support/scratchvolume.h"

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
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data_abc")));
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
