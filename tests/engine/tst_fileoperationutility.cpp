// The file steps around a phase on real files in temporary folders.

#include "engine/fileoperationutility.h"
#include "platform/alignedbuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>

using namespace trevlamark;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

} // namespace

class tst_FileOperationUtility : public QObject
{
    Q_OBJECT

private slots:
    void openSkipsMissingPath_data();
    void openSkipsMissingPath();
    void synchronizeAndCloseEveryHandle();
    void cacheFlushKeepsLength_data();
    void cacheFlushKeepsLength();
    void randomBufferIsAlignedAndFilled();
};

void tst_FileOperationUtility::openSkipsMissingPath_data()
{
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<bool>("disableCache");
    QTest::newRow("write, O_DIRECT") << Phase::Write << true;
    QTest::newRow("read, cached") << Phase::Read << false;
}

void tst_FileOperationUtility::openSkipsMissingPath()
{
    QFETCH(Phase, phase);
    QFETCH(bool, disableCache);
    QTemporaryDir dir;
    const QStringList paths{dir.filePath(QStringLiteral("a.dat")), dir.filePath(QStringLiteral("missing.dat")),
        dir.filePath(QStringLiteral("c.dat"))};
    writeFile(paths.at(0), QByteArray(4096, 'a'));
    writeFile(paths.at(2), QByteArray(4096, 'c'));
    const FileHandleList handles = FileOperationUtility::openFileHandles(paths, phase, disableCache);
    QCOMPARE(handles.size(), size_t(2));
    for (const auto &handle : handles)
        QCOMPARE(bool(::fcntl(handle->descriptor(), F_GETFL) & O_DIRECT), disableCache);
    // Nothing is created or truncated by opening.
    QVERIFY(!QFileInfo::exists(paths.at(1)));
    QCOMPARE(QFileInfo(paths.at(0)).size(), 4096);
}

void tst_FileOperationUtility::synchronizeAndCloseEveryHandle()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dat"));
    writeFile(path, QByteArray(100, 'x'));
    // More handles than names, one of them closed already.
    const FileHandleList handles = FileOperationUtility::openFileHandles({path, path, path}, Phase::Write, false);
    QCOMPARE(handles.at(1)->close(), 0);
    FileOperationUtility::synchronizeFiles(handles, {path}, Phase::Write, 45);
    FileOperationUtility::closeFilesSequentially(handles, {path}, Phase::Write, 10);
    for (const auto &handle : handles)
        QCOMPARE(handle->descriptor(), -1);
}

void tst_FileOperationUtility::cacheFlushKeepsLength_data()
{
    QTest::addColumn<int>("sizeBytes");
    QTest::newRow("three blocks") << 30720;
    QTest::newRow("large") << 1048576;
    QTest::newRow("smaller than a block") << 1024;
}

void tst_FileOperationUtility::cacheFlushKeepsLength()
{
    QFETCH(int, sizeBytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flush.dat"));
    const QByteArray original(sizeBytes, '\0');
    writeFile(path, original);
    FileOperationUtility::enhancedCacheFlush({path}, 30);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    QCOMPARE(after.size(), sizeBytes);
    const int block = int(std::min<qint64>(FileOperationUtility::cacheFlushLengthBytes, sizeBytes));
    // Random blocks replaced the start, the middle and the end, nothing else.
    QVERIFY(after.left(block) != original.left(block));
    QVERIFY(after.right(block) != original.right(block));
    QVERIFY(after.mid(sizeBytes / 2 - block / 2, block) != original.mid(sizeBytes / 2 - block / 2, block));
    if (sizeBytes > 3 * block)
        QCOMPARE(after.mid(block, 100), original.mid(block, 100));
}

void tst_FileOperationUtility::randomBufferIsAlignedAndFilled()
{
    const std::shared_ptr<AlignedBuffer> buffer = FileOperationUtility::createRandomDataBuffer(65536);
    QVERIFY(buffer);
    QCOMPARE(buffer->size(), size_t(65536));
    QCOMPARE(reinterpret_cast<quintptr>(buffer->data()) % AlignedBuffer::alignmentBytes, quintptr(0));
    QVERIFY(QByteArray(static_cast<const char *>(buffer->data()), 65536) != QByteArray(65536, '\0'));
}

QTEST_GUILESS_MAIN(tst_FileOperationUtility)
#include "tst_fileoperationutility.moc"
