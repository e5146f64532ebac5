// The location sweep on real folders.

#include "app/logmanager.h"
#include "app/testdirectorysweeper.h"
#include "platform/preferencestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_GUILESS_MAIN(tst_TestDirectorySweeper)
#include "tst_testdirectorysweeper.moc"
