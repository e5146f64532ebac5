// The file toolbox on real files in temporary folders.

#include "settings/logmanager.h"
#include "engine/fileoperationutility.h"
#include "platform/alignedbuffer.h"
#include "platform/preferencestore.h"
#include "support/scratchvolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
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

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class tst_FileOperationUtility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void displayName_data();
    void displayName();
    void openSkipsMissingPath_data();
    void openSkipsMissingPath();
    void openWithoutCacheBypassSetsNoFlag();
    void synchronizeAndCloseInOrder();
    void closingAClosedHandleIsReportedOnce();
    void extraHandlesAreNamedByPosition();
    void verificationCountsDeletedFileAsVerified();
    void verificationFallsBackWhenLocked();
    void cacheFlushKeepsLength_data();
    void cacheFlushKeepsLength();
    void randomBufferIsAlignedAndFilled();
    void lingeringHandlesPass();
    void deleteRemovesAtOnce();
    void deleteWithZeroAttemptsTouchesNothing();
    void deleteRemovesLinksNotTargets();
    void deleteRetriesOnBusyMount();
};

void tst_FileOperationUtility::initTestCase()
{
    for (const LogLevel level : {LogLevel::Info, LogLevel::Warning, LogLevel::Error, LogLevel::Debug})
        PreferenceStore::setValue(LogManager::switchKey(level), true);
}

void tst_FileOperationUtility::init()
{
    QFile::remove(LogManager::shared().logFilePath());
}

void tst_FileOperationUtility::displayName_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    const QStringList paths{QStringLiteral("/a/b/one.dat"), QStringLiteral("/two.dat")};
    QTest::newRow("first") << paths << 0 << QStringLiteral("one.dat");
    QTest::newRow("second") << paths << 1 << QStringLiteral("two.dat");
    QTest::newRow("past the list") << paths << 2 << QStringLiteral("handle-2");
    QTest::newRow("no paths") << QStringList() << 0 << QStringLiteral("handle-0");
}

void tst_FileOperationUtility::displayName()
{
    QFETCH(QStringList, paths);
    QFETCH(int, index);
    QFETCH(QString, expected);
    QCOMPARE(FileOperationUtility::displayName(paths, index), expected);
}

void tst_FileOperationUtility::openSkipsMissingPath_data()
{
    QTest::addColumn<bool>("forWriting");
    QTest::addColumn<QString>("expectedLine");
    QTest::newRow("write") << true << QStringLiteral("[ERROR] Failed to open file for write: missing.dat");
    QTest::newRow("read") << false << QStringLiteral("[WARNING] Failed to open file for read: missing.dat");
}

void tst_FileOperationUtility::openSkipsMissingPath()
{
    QFETCH(bool, forWriting);
    QFETCH(QString, expectedLine);
    QTemporaryDir dir;
    const QStringList paths{dir.filePath(QStringLiteral("a.dat")), dir.filePath(QStringLiteral("missing.dat")),
        dir.filePath(QStringLiteral("c.dat"))};
    writeFile(paths.at(0), QByteArray(4096, 'a'));
    writeFile(paths.at(2), QByteArray(4096, 'c'));

    const FileHandleList handles = FileOperationUtility::openFileHandles(paths, forWriting, true);
    QCOMPARE(handles.size(), size_t(2));
    for (const auto &handle : handles) {
        QVERIFY(handle->descriptor() >= 0);
        QVERIFY(::fcntl(handle->descriptor(), F_GETFL) & O_DIRECT);
    }
    // Nothing is created or truncated by opening.
    QVERIFY(!QFileInfo::exists(paths.at(1)));
    QCOMPARE(QFileInfo(paths.at(0)).size(), 4096);
    const QString log = readLog();
    QVERIFY(log.contains(expectedLine));
    QVERIFY(log.contains(QLatin1String("Disabling ")));
    QVERIFY(log.contains(QLatin1String("Successfully set F_NOCACHE for ")));
}

void tst_FileOperationUtility::openWithoutCacheBypassSetsNoFlag()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    writeFile(path, QByteArray(10, 'a'));
    const FileHandleList handles = FileOperationUtility::openFileHandles({path}, false, false);
    QCOMPARE(handles.size(), size_t(1));
    QVERIFY(!(::fcntl(handles.front()->descriptor(), F_GETFL) & O_DIRECT));
    QVERIFY(!readLog().contains(QLatin1String("Disabling ")));
}

void tst_FileOperationUtility::synchronizeAndCloseInOrder()
{
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths.append(dir.filePath(QStringLiteral("f%1.dat").arg(i)));
        writeFile(paths.last(), QByteArray(100, 'x'));
    }
    const FileHandleList handles = FileOperationUtility::openFileHandles(paths, true, false);
    FileOperationUtility::synchronizeFiles(handles, paths, false, 45);
    FileOperationUtility::closeFilesSequentially(handles, paths, false, 10);
    for (const auto &handle : handles)
        QCOMPARE(handle->descriptor(), -1);

    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("[INFO] Synchronizing 3 write files")));
    QVERIFY(log.contains(QLatin1String("fsync succeeded for write file: f1.dat")));
    QVERIFY(log.contains(QLatin1String("All write file synchronization operations completed successfully")));
    const qsizetype first = log.indexOf(QLatin1String("Successfully closed write file: f0.dat"));
    const qsizetype second = log.indexOf(QLatin1String("Successfully closed write file: f1.dat"));
    const qsizetype third = log.indexOf(QLatin1String("Successfully closed write file: f2.dat"));
    QVERIFY(first >= 0);
    QVERIFY(first < second);
    QVERIFY(second < third);
}

void tst_FileOperationUtility::closingAClosedHandleIsReportedOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    writeFile(path, QByteArray(10, 'a'));
    const FileHandleList handles = FileOperationUtility::openFileHandles({path}, false, false);
    QCOMPARE(handles.front()->close(), 0);
    QCOMPARE(handles.front()->close(), EBADF);
    FileOperationUtility::closeFilesSequentially(handles, {path}, true, 10);
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("File descriptor already closed for read file: a.dat")));
    QVERIFY(!log.contains(QLatin1String("Failed to close")));
}

void tst_FileOperationUtility::extraHandlesAreNamedByPosition()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    writeFile(path, QByteArray(10, 'a'));
    const FileHandleList handles = FileOperationUtility::openFileHandles({path, path}, true, false);
    QCOMPARE(handles.size(), size_t(2));
    FileOperationUtility::synchronizeFiles(handles, {path}, false, 45);
    FileOperationUtility::closeFilesSequentially(handles, {path}, false, 10);
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Synchronizing write file: handle-1")));
    QVERIFY(log.contains(QLatin1String("Successfully closed write file: handle-1")));
}

void tst_FileOperationUtility::verificationCountsDeletedFileAsVerified()
{
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths.append(dir.filePath(QStringLiteral("v%1.dat").arg(i)));
        writeFile(paths.last(), QByteArray(10, 'v'));
    }
    QVERIFY(QFile::remove(paths.at(1)));
    const VerificationResult result = FileOperationUtility::verifyFileHandlesClosed(paths, 10);
    QVERIFY(result.allVerified);
    QVERIFY(result.failedPaths.isEmpty());
    QCOMPARE(result.verifiedCount, 2);
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("File no longer exists: v1.dat (counts as verified)")));
    QVERIFY(log.contains(QLatin1String("Handle verification complete: 2/3 files verified as closed")));
    QCOMPARE(log.count(QLatin1String("Successfully opened file with exclusive lock: ")), 2);
}

void tst_FileOperationUtility::verificationFallsBackWhenLocked()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.dat"));
    writeFile(path, QByteArray(10, 'l'));
    const int holder = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QVERIFY(holder >= 0);
    const auto closeHolder = qScopeGuard([holder] { ::close(holder); });
    QCOMPARE(::flock(holder, LOCK_EX), 0);

    QVERIFY(FileOperationUtility::tryOpenForVerification(path, QStringLiteral("locked.dat")));
    const QString log = readLog();
    QVERIFY(!log.contains(QLatin1String("exclusive lock: locked.dat")));
    QVERIFY(log.contains(QLatin1String("Successfully opened file with write access: locked.dat")));
}

void tst_FileOperationUtility::cacheFlushKeepsLength_data()
{
    QTest::addColumn<int>("sizeBytes");
    QTest::newRow("three chunks") << 30720;
    QTest::newRow("large") << 1048576;
    QTest::newRow("smaller than a chunk") << 1024;
}

void tst_FileOperationUtility::cacheFlushKeepsLength()
{
    QFETCH(int, sizeBytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flush.dat"));
    const QByteArray original(sizeBytes, '\0');
    writeFile(path, original);
    FileOperationUtility::enhancedCacheFlush({path}, 30);
    const QByteArray after = readFile(path);
    QCOMPARE(after.size(), sizeBytes);
    const int chunk = int(std::min<qint64>(FileOperationUtility::cacheFlushChunkBytes, sizeBytes));
    // Random blocks replaced the start, the middle and the end.
    QVERIFY(after.left(chunk) != original.left(chunk));
    QVERIFY(after.right(chunk) != original.right(chunk));
    QVERIFY(after.mid(sizeBytes / 2 - chunk / 2, chunk) != original.mid(sizeBytes / 2 - chunk / 2, chunk));
    if (sizeBytes > 3 * chunk)
        QCOMPARE(after.mid(chunk, 100), original.mid(chunk, 100));
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Flushing cache for file: flush.dat")));
    QVERIFY(log.contains(QLatin1String("Enhanced cache flush completed for all files")));
    QVERIFY(!log.contains(QLatin1String("[WARNING]")));
}

void tst_FileOperationUtility::randomBufferIsAlignedAndFilled()
{
    const std::shared_ptr<AlignedBuffer> buffer = FileOperationUtility::createRandomDataBuffer(65536);
    QVERIFY(buffer);
    QCOMPARE(buffer->size(), size_t(65536));
    QCOMPARE(reinterpret_cast<quintptr>(buffer->data()) % AlignedBuffer::alignmentBytes, quintptr(0));
    const QByteArray bytes(static_cast<const char *>(buffer->data()), 65536);
    QVERIFY(bytes != QByteArray(65536, '\0'));
    QVERIFY(readLog().contains(QLatin1String("createRandomDataBuffer: Generated 65536 bytes in ")));
}

void tst_FileOperationUtility::lingeringHandlesPass()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.dat"));
    writeFile(path, QByteArray(1, 'l'));
    FileOperationUtility::forceCloseLingeringHandles({path, dir.filePath(QStringLiteral("gone.dat"))});
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Force-closing potential lingering handles for 2 files")));
    QVERIFY(log.contains(QLatin1String("Force-closed potential lingering handle for: l.dat")));
    QVERIFY(!log.contains(QLatin1String("gone.dat")));
}

void tst_FileOperationUtility::deleteRemovesAtOnce()
{
    QTemporaryDir base;
    const QString path = base.filePath(QStringLiteral("Trevlamark_Test_Data_1"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("/sub/deeper")));
    writeFile(path + QStringLiteral("/sub/deeper/file.dat"), QByteArray(10, 'd'));
    writeFile(path + QStringLiteral("/top.dat"), QByteArray(10, 't'));
    const DeletionResult result = FileOperationUtility::deleteDirectoryWithRetry(path, 5);
    QVERIFY(result.success);
    QVERIFY(!result.lastError);
    QVERIFY(!QFileInfo::exists(path));
    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Successfully deleted directory: ") + path));
    QVERIFY(log.contains(QLatin1String("Directory fsync succeeded")));
    QVERIFY(log.contains(QLatin1String("Refreshed parent directory listing (")));
    QVERIFY(!log.contains(QLatin1String("[WARNING]")));
}

void tst_FileOperationUtility::deleteWithZeroAttemptsTouchesNothing()
{
    QTemporaryDir base;
    const QString path = base.filePath(QStringLiteral("keep"));
    QVERIFY(QDir().mkpath(path));
    const DeletionResult result = FileOperationUtility::deleteDirectoryWithRetry(path, 0);
    QVERIFY(!result.success);
    QCOMPARE(result.attempts, 0);
    QVERIFY(!result.lastError);
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(readLog().contains(QLatin1String("Attempting to clear locks on directory: ") + path));
}

void tst_FileOperationUtility::deleteRemovesLinksNotTargets()
{
    QTemporaryDir base;
    const QString outside = base.filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    writeFile(outside + QStringLiteral("/precious.dat"), QByteArray(10, 'p'));
    const QString path = base.filePath(QStringLiteral("test"));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(QFile::link(outside, path + QStringLiteral("/dirlink")));
    QVERIFY(QFile::link(outside + QStringLiteral("/precious.dat"), path + QStringLiteral("/filelink")));
    const DeletionResult result = FileOperationUtility::deleteDirectoryWithRetry(path, 5);
    QVERIFY(result.success);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(readFile(outside + QStringLiteral("/precious.dat")), QByteArray(10, 'p'));
}

void tst_FileOperationUtility::deleteRetriesOnBusyMount()
{
    ScratchVolume volume(QStringLiteral("busy/mnt"));
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=1m")))
        QSKIP(qPrintable(*problem));
    const QString path = volume.filePath(QStringLiteral("busy"));
    const QString mountPoint = volume.mountPoint();
    writeFile(mountPoint + QStringLiteral("/inside.dat"), QByteArray(10, 'i'));

    const DeletionResult result = FileOperationUtility::deleteDirectoryWithRetry(path, 5);
    QVERIFY(!result.success);
    QCOMPARE(result.attempts, 5);
    QVERIFY(result.lastError);
    QVERIFY(result.lastError->startsWith(QLatin1String("FileManager deletion failed: Device or resource busy (code: ")));
    // The removal never reaches into the other file system.
    QCOMPARE(readFile(mountPoint + QStringLiteral("/inside.dat")), QByteArray(10, 'i'));

    const QString log = readLog();
    QCOMPARE(log.count(QLatin1String("] [WARNING] Deletion attempt ")), 5);
    QCOMPARE(log.count(QLatin1String(" seconds before retry ")), 4);
    for (const char *line : {"Waiting 0.2 seconds before retry 2/5", "Waiting 0.4 seconds before retry 3/5",
             "Waiting 0.8 seconds before retry 4/5", "Waiting 1.6 seconds before retry 5/5"})
        QVERIFY2(log.contains(QLatin1String(line)), line);
}

QTEST_GUILESS_MAIN(tst_FileOperationUtility)
#include "tst_fileoperationutility.moc"
