// The location sweep on real folders.

#include "settings/logmanager.h"
#include "engine/testdirectorysweeper.h"
#include "platform/preferencestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <algorithm>
#include <unistd.h>

using namespace trevlamark;

namespace {

QString readLog()
{
    QFile file(LogManager::shared().logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class tst_TestDirectorySweeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void removesPrefixedDirectoriesOnly();
    void removesLinkButNotItsTarget();
    void missingLocationIsReported();
    void linksInsideAreRemovedNotFollowed();
    void mountInsideIsNotEmptied();
    void awkwardLocationNames_data();
    void awkwardLocationNames();
};

void tst_TestDirectorySweeper::initTestCase()
{
    for (const LogLevel level : {LogLevel::Info, LogLevel::Warning, LogLevel::Error, LogLevel::Debug})
        PreferenceStore::setValue(LogManager::switchKey(level), true);
}

void tst_TestDirectorySweeper::init()
{
    QFile::remove(LogManager::shared().logFilePath());
}

void tst_TestDirectorySweeper::removesPrefixedDirectoriesOnly()
{
    QTemporaryDir location;
    const QString root = location.path();
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data_1700000000/inner")));
    touch(root + QStringLiteral("/Trevlamark_Test_Data_1700000000/inner/f.dat"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data_abc")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_Data")));
    touch(root + QStringLiteral("/Trevlamark_Test_Data_file.txt"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Unrelated")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/Trevlamark_Test_DataX")));

    TestDirectorySweeper::cleanupTestDirectories(root);

    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/Trevlamark_Test_Data_1700000000")));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/Trevlamark_Test_Data_abc")));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/Trevlamark_Test_Data")));
    QVERIFY(QFileInfo(root + QStringLiteral("/Trevlamark_Test_Data_file.txt")).isFile());
    QVERIFY(QFileInfo(root + QStringLiteral("/Unrelated")).isDir());
    QVERIFY(QFileInfo(root + QStringLiteral("/Trevlamark_Test_DataX")).isDir());

    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Deleting test directory: ") + root + QLatin1String("/Trevlamark_Test_Data")));
    QVERIFY(log.contains(QLatin1String("Deleting timestamped directory: ") + root
        + QLatin1String("/Trevlamark_Test_Data_abc")));
    QCOMPARE(log.count(QLatin1String("[INFO] Successfully deleted: ")), 3);
    QVERIFY(!log.contains(QLatin1String("[WARNING]")));
}

void tst_TestDirectorySweeper::removesLinkButNotItsTarget()
{
    QTemporaryDir location;
    QTemporaryDir outside;
    touch(outside.filePath(QStringLiteral("precious.dat")));
    const QString link = location.filePath(QStringLiteral("Trevlamark_Test_Data_link"));
    QVERIFY(QFile::link(outside.path(), link));

    TestDirectorySweeper::cleanupTestDirectories(location.path());

    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
}

void tst_TestDirectorySweeper::missingLocationIsReported()
{
    QTemporaryDir base;
    const QString missing = base.filePath(QStringLiteral("nope"));
    TestDirectorySweeper::cleanupTestDirectories(missing);
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("[WARNING] Error scanning directory: ") + missing + QLatin1String(" - ")));
    QVERIFY(!log.contains(QLatin1String("Deleting")));
}

void tst_TestDirectorySweeper::linksInsideAreRemovedNotFollowed()
{
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
    // The fixed name as a link to a folder outside.
    const QString fixedLink = location.filePath(QStringLiteral("Trevlamark_Test_Data"));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("folder")), fixedLink));

    TestDirectorySweeper::cleanupTestDirectories(location.path());

    QVERIFY(!QFileInfo::exists(directory));
    QVERIFY(!QFileInfo(fixedLink).isSymLink());
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("folder/kept.dat"))).isFile());
    QVERIFY(!readLog().contains(QLatin1String("[WARNING]")));
}

void tst_TestDirectorySweeper::mountInsideIsNotEmptied()
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

    TestDirectorySweeper::cleanupTestDirectories(location.path());

    // Another file system inside a test directory is never emptied; the
    // directory stays and the sweep says so.
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
    QVERIFY(QFileInfo(mountPoint).isDir());
    QVERIFY(readLog().contains(QLatin1String("[WARNING] Error deleting: ") + directory + QLatin1String(" - ")));
}

void tst_TestDirectorySweeper::awkwardLocationNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << " a location with  spaces ";
    QTest::newRow("newline") << "line\nbreak";
    QTest::newRow("non-ASCII") << QStringLiteral("Prüfung ñ 測試 ✓");
    QTest::newRow("4,000-byte path") << "#long";
}

void tst_TestDirectorySweeper::awkwardLocationNames()
{
    QFETCH(QString, name);
    QTemporaryDir parent;
    QString location = parent.path();
    if (name == QLatin1String("#long")) {
        while (location.size() < 4000)
            location += QLatin1Char('/') + QString(std::min<qsizetype>(180, 4000 - location.size() - 1), QLatin1Char('d'));
    } else {
        location = parent.filePath(name);
    }
    const QString leftover = location + QStringLiteral("/Trevlamark_Test_Data_1700000003");
    QVERIFY(QDir().mkpath(leftover));
    touch(leftover + QStringLiteral("/streaming_write_initial_0.dat"));

    TestDirectorySweeper::cleanupTestDirectories(location);

    QVERIFY(!QFileInfo::exists(leftover));
    QVERIFY(QFileInfo(location).isDir());
    QVERIFY(readLog().contains(QLatin1String("[INFO] Successfully deleted: ") + leftover));
}

QTEST_GUILESS_MAIN(tst_TestDirectorySweeper)
#include "tst_testdirectorysweeper.moc"
