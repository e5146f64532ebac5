// The transfer loop on real files with its real worker pool.

#include "engine/chunkstamp.h"
#include "engine/fileoperationutility.h"
#include "engine/streamingioexecutor.h"
#include "engine/testdirectory.h"
#include "platform/alignedbuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fcntl.h>

using namespace trevlamark;

namespace {

FileHandleList openAll(const QStringList &paths, Phase phase, bool direct)
{
    QString failure;
    FileHandleList handles = FileOperationUtility::openFileHandles(paths, phase, direct, &failure);
    if (!failure.isEmpty())
        qWarning().noquote() << failure;
    return handles;
}

constexpr quint64 mebibyte = 1048576;

StreamingIOJob job(Phase phase, int queueDepth, qint64 chunk, quint64 target, const ChunkStamp *chunks)
{
    StreamingIOJob job;
    job.phase = phase;
    job.queueDepth = queueDepth;
    job.chunkSizeBytes = chunk;
    job.targetBytes = target;
    job.chunks = chunks;
    return job;
}

} // namespace

class tst_StreamingIOExecutor : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void writesEachChunkAtItsOffset_data();
    void writesEachChunkAtItsOffset();
    void readsWholeFiles();
    void writesNothing_data();
    void writesNothing();
};

void tst_StreamingIOExecutor::plan_data()
{
    QTest::addColumn<quint64>("target");
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<int>("files");
    QTest::addColumn<quint64>("planned");
    QTest::addColumn<quint64>("writing");
    QTest::newRow("1GiB/1MiB/4 divisible") << 1024 * mebibyte << qint64(mebibyte) << 4 << quint64(1024) << quint64(1024);
    QTest::newRow("1GiB/1MiB/3 remainder") << 1024 * mebibyte << qint64(mebibyte) << 3 << quint64(1023) << quint64(1023);
    QTest::newRow("two chunks over four files") << 2 * mebibyte << qint64(mebibyte) << 4 << quint64(4) << quint64(2);
    QTest::newRow("target zero") << quint64(0) << qint64(mebibyte) << 4 << quint64(0) << quint64(0);
    QTest::newRow("no files") << 8 * mebibyte << qint64(mebibyte) << 0 << quint64(0) << quint64(0);
}

void tst_StreamingIOExecutor::plan()
{
    QFETCH(quint64, target);
    QFETCH(qint64, chunk);
    QFETCH(int, files);
    QFETCH(quint64, planned);
    QFETCH(quint64, writing);
    QCOMPARE(StreamingIOExecutor::plannedWriteOperations(target, chunk, files), planned);
    QCOMPARE(StreamingIOExecutor::writingOperations(target, chunk, files), writing);
}

void tst_StreamingIOExecutor::writesEachChunkAtItsOffset_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("direct");
    QTest::newRow("4 files direct") << 4 << true;
    QTest::newRow("3 files buffered") << 3 << false;
}

void tst_StreamingIOExecutor::writesEachChunkAtItsOffset()
{
    QFETCH(int, files);
    QFETCH(bool, direct);
    QTemporaryDir dir;
    const QStringList paths = TestDirectory::createSeedFiles(dir.path(), files);
    const FileHandleList handles = openAll(paths, Phase::Write, direct);
    for (const auto &handle : handles)
        QCOMPARE(bool(::fcntl(handle->descriptor(), F_GETFL) & O_DIRECT), direct);
    const qint64 chunk = 65536;
    const ChunkStamp stamp(FileOperationUtility::createRandomDataBuffer(chunk), 42);
    ProgressCounters counters;
    std::atomic<bool> cancel{false};
    const quint64 target = 8 * mebibyte;
    const StreamingIOOutcome outcome =
        StreamingIOExecutor::run(handles, job(Phase::Write, files, chunk, target, &stamp), counters, cancel);
    const quint64 operations = StreamingIOExecutor::writingOperations(target, chunk, files);
    const quint64 expected = operations * quint64(chunk);
    QCOMPARE(outcome.failure.kind, StreamingIOFailure::Kind::None);
    QCOMPARE(outcome.bytes, expected);
    QCOMPARE(outcome.latencies.count(), operations);
    QCOMPARE(counters.phaseBytes.load() + counters.intervalBytes.load(), 2 * expected);

    // Every chunk is the payload stamped for its own place, so no two are alike.
    const qint64 perFile = qint64(expected) / files;
    QSet<QByteArray> seen;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QFile file(paths.at(i));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), perFile);
        QCOMPARE(outcome.fileBytes.at(size_t(i)), quint64(perFile));
        for (qint64 offset = 0; offset < perFile; offset += chunk) {
            const QByteArray bytes = file.read(chunk);
            QVERIFY(!stamp.firstDifference(bytes.constData(), size_t(bytes.size()), quint64(i), quint64(offset)));
            // The same bytes somewhere else would be caught.
            QVERIFY(stamp.firstDifference(bytes.constData(), size_t(bytes.size()), quint64(i) + 1, quint64(offset)));
            seen.insert(bytes);
        }
    }
    QCOMPARE(quint64(seen.size()), operations);
}

void tst_StreamingIOExecutor::readsWholeFiles()
{
    QTemporaryDir dir;
    QStringList paths;
    quint64 total = 0;
    // Sizes that are not block multiples make direct reads finish buffered.
    for (const int size : {1024, 200000, 65536 * 3, 0}) {
        const QString path = dir.filePath(QStringLiteral("r%1.dat").arg(size));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'r'));
        paths.append(path);
        total += quint64(size);
    }
    const FileHandleList handles = openAll(paths, Phase::Read, true);
    ProgressCounters counters;
    std::atomic<bool> cancel{false};
    const StreamingIOOutcome outcome =
        StreamingIOExecutor::run(handles, job(Phase::Read, 2, 65536, 0, nullptr), counters, cancel);
    QCOMPARE(outcome.failure.kind, StreamingIOFailure::Kind::None);
    QCOMPARE(outcome.bytes, total);
    QCOMPARE(counters.phaseBytes.load(), total);
}

void tst_StreamingIOExecutor::writesNothing_data()
{
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<qint64>("bufferBytes");
    QTest::newRow("cancelled before the start") << true << qint64(65536);
    QTest::newRow("buffer not one chunk long") << false << qint64(4096);
}

void tst_StreamingIOExecutor::writesNothing()
{
    QFETCH(bool, cancelled);
    QFETCH(qint64, bufferBytes);
    QTemporaryDir dir;
    const QStringList paths = TestDirectory::createSeedFiles(dir.path(), 2);
    const FileHandleList handles = openAll(paths, Phase::Write, false);
    const ChunkStamp stamp(FileOperationUtility::createRandomDataBuffer(bufferBytes), 1);
    ProgressCounters counters;
    std::atomic<bool> cancel{cancelled};
    const StreamingIOOutcome outcome =
        StreamingIOExecutor::run(handles, job(Phase::Write, 2, 65536, 8 * mebibyte, &stamp), counters, cancel);
    QCOMPARE(outcome.bytes, quint64(0));
    QVERIFY(outcome.ioEnd.isValid());
    QCOMPARE(QFileInfo(paths.at(0)).size(), 1024);
}

QTEST_GUILESS_MAIN(tst_StreamingIOExecutor)
#include "tst_streamingioexecutor.moc"
