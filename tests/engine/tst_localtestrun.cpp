// Whole streaming runs from this computer against real folders, with real
// worker threads: what bytes go where, and how the run meets failing storage.

#include "engine/localtestrun.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "support/runspy.h"
#include "support/scratchvolume.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

using namespace trevlamark;

namespace {

constexpr quint64 mebibyte = 1048576;

TestRequest request(const QString &location, ThroughputTestOptions chunk, int queueDepth, quint64 bytesPerCycle,
    int cycles = 1)
{
    return TestRequest{.locationPath = location, .chunkSize = chunk, .queueDepth = queueDepth,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = bytesPerCycle, .totalCycles = cycles};
}

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class tst_LocalTestRun : public QObject
{
    Q_OBJECT

private slots:
    void cycles_data();
    void cycles();
    void startsThatCannotRun();
    void writeFailureEndsRunWithFiguresKept();
    void dataChangedBetweenPhasesFailsRead_data();
    void dataChangedBetweenPhasesFailsRead();
    void destroyedMidRun_data();
    void destroyedMidRun();
    void awkwardLocationNames_data();
    void awkwardLocationNames();
    void repeatedRunsGiveBackDescriptorsAndThreads();
    void locationVanishesMidRun_data();
    void locationVanishesMidRun();
    void stopReturnsWhileFileSystemIsFrozen();
    void startGivesUpOnAFrozenLocation();
    void samplerKeepsItsRate();
};

void tst_LocalTestRun::cycles_data()
{
    QTest::addColumn<ThroughputTestOptions>("chunk");
    QTest::addColumn<int>("queueDepth");
    QTest::addColumn<quint64>("bytesPerCycle");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("disableCache");
    // Per cycle, bytes written and read; 0 for a phase that does not run.
    QTest::addColumn<QList<quint64>>("written");
    QTest::addColumn<QList<quint64>>("readBack");
    const quint64 m = mebibyte;
    QTest::newRow("128 chunks over 4 files") << ThroughputTestOptions::size64KB << 4 << 8 * m << true << true << true
                                             << QList<quint64>{8 * m, 8 * m} << QList<quint64>{8 * m, 8 * m};
    // 8 chunks over 3 files: 2 per file, the remainder is not written.
    QTest::newRow("remainder, cached") << ThroughputTestOptions::size1MB << 3 << 8 * m << true << true << false
                                       << QList<quint64>{6 * m} << QList<quint64>{6 * m};
    // Fewer chunks than files: two files get a chunk, the others keep their seed.
    QTest::newRow("two chunks, four files") << ThroughputTestOptions::size1MB << 4 << 2 * m << true << true << true
                                            << QList<quint64>{2 * m} << QList<quint64>{2 * m + 2048};
    QTest::newRow("below one chunk") << ThroughputTestOptions::size1MB << 2 << quint64(100000) << true << true << true
                                     << QList<quint64>{0} << QList<quint64>{2048};
    QTest::newRow("write only, fresh files") << ThroughputTestOptions::size256KB << 2 << 4 * m << true << false << true
                                             << QList<quint64>{4 * m, 4 * m, 4 * m} << QList<quint64>{0, 0, 0};
    // The first cycle writes the data the later ones read; the cache flush
    // overwrites in place, so the files keep their length.
    QTest::newRow("read only, cached") << ThroughputTestOptions::size64KB << 2 << 2 * m << false << true << false
                                       << QList<quint64>{2 * m, 0, 0} << QList<quint64>{2 * m, 2 * m, 2 * m};
}

void tst_LocalTestRun::cycles()
{
    QFETCH(ThroughputTestOptions, chunk);
    QFETCH(int, queueDepth);
    QFETCH(quint64, bytesPerCycle);
    QFETCH(bool, write);
    QFETCH(bool, read);
    QFETCH(bool, disableCache);
    QFETCH(QList<quint64>, written);
    QFETCH(QList<quint64>, readBack);
    QTemporaryDir location;
    TestRequest asked = request(location.path(), chunk, queueDepth, bytesPerCycle, int(written.size()));
    asked.writePhaseEnabled = write;
    asked.readPhaseEnabled = read;
    asked.disableCache = disableCache;
    asked.developerMode = !disableCache;
    // Checking every chunk read also shows that the cache flush of a read-only
    // cycle leaves the data as written.
    asked.verifyData = true;
    RunSpy run(asked);
    QVERIFY(run.run->isRunning() && run.finished());
    QCOMPARE(QFileInfo(run.directory).path(), location.path());
    QVERIFY(run.result->success && run.result->isAutoStop && !run.run->isRunning());
    quint64 totalWritten = 0;
    quint64 totalRead = 0;
    QCOMPARE(run.result->cycleResults.size(), written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        const CycleResult &cycle = run.result->cycleResults.at(i);
        QCOMPARE(cycle.cycleNumber, int(i) + 1);
        QCOMPARE(cycle.writePhase.has_value(), write || i == 0);
        QCOMPARE(cycle.readPhase.has_value(), read);
        QCOMPARE(cycle.writePhase.value_or(PhaseResult()).bytes, written.at(i));
        QCOMPARE(cycle.readPhase.value_or(PhaseResult()).bytes, readBack.at(i));
        for (const std::optional<PhaseResult> &phase : {cycle.writePhase, cycle.readPhase}) {
            if (!phase || phase->bytes == 0)
                continue;
            const OperationLatency &latency = phase->operationLatency;
            QVERIFY(phase->operations >= phase->bytes / quint64(chunkSizeBytes(chunk)));
            QVERIFY(phase->operationsPerSecond > 0 && !phase->linkShare);
            QVERIFY(latency.p50 > 0 && latency.p50 <= latency.p90 && latency.p90 <= latency.p99
                && latency.p99 <= latency.p999 && latency.p999 <= latency.max);
        }
        totalWritten += written.at(i);
        totalRead += readBack.at(i);
    }
    QCOMPARE(run.detail("totalWriteBytes").toULongLong(), totalWritten);
    QCOMPARE(run.detail("totalReadBytes").toULongLong(), totalRead);
    QCOMPARE(run.detail("interfaceInfo"), location.path());
    QCOMPARE(run.messages.contains(QStringLiteral("Completing read phase...")), read);
    QStringList markers;
    for (const TimelineMarker &marker : run.run->timelineMarkers())
        markers.append(marker.message);
    QCOMPARE(markers.mid(0, 3), (QStringList{"Start write phase", "I/O operations complete",
                                    asked.developerMode ? "Synced files" : "End write phase"}));
    QCOMPARE(markers.contains(QStringLiteral("Closed files")), asked.developerMode);
    QVERIFY(run.removed() && !QFileInfo::exists(run.directory));
}

void tst_LocalTestRun::startsThatCannotRun()
{
    QTemporaryDir location;
    RunSpy run(request(location.path(), ThroughputTestOptions::size64KB, 1, 4096 * mebibyte));
    QVERIFY(run.moving());
    run.run->start(request(location.path(), ThroughputTestOptions::size1MB, 2, mebibyte));
    QVERIFY(run.finished());
    QCOMPARE(run.result->errorMessage, std::optional<QString>(QStringLiteral("A test is already running")));
    QVERIFY(run.result->details.isEmpty() && run.run->isRunning());
    QCOMPARE(qobject_cast<LocalTestRun *>(run.run.get())->currentTestDirectoryPath(), std::optional<QString>(run.directory));
    run.run->stop();
    QTRY_COMPARE_WITH_TIMEOUT(run.completions, 2, 20000);
    QVERIFY(run.removed());

    RunSpy nowhere(request(QString(), ThroughputTestOptions::size1MB, 2, mebibyte));
    QVERIFY(nowhere.finished());
    QCOMPARE(nowhere.result->errorMessage, std::optional<QString>(QStringLiteral("No valid test location provided")));

    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("ro,size=1m")))
        QSKIP(qPrintable(*problem));
    RunSpy readOnly(request(volume.mountPoint(), ThroughputTestOptions::size256KB, 2, 2 * mebibyte));
    QVERIFY(readOnly.finished(10000));
    QCOMPARE(readOnly.result->errorMessage, std::optional<QString>(QStringLiteral("Failed to create test directory")));
    QVERIFY(!readOnly.run->isRunning() && readOnly.directory.isEmpty());
}

void tst_LocalTestRun::writeFailureEndsRunWithFiguresKept()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=4m")))
        QSKIP(qPrintable(*problem));
    // An empty location path: the share's mount path takes its place.
    TestRequest asked = request(QString(), ThroughputTestOptions::size256KB, 2, 3 * mebibyte, 3);
    asked.share.mountPath = volume.mountPoint();
    asked.readPhaseEnabled = false;
    // Cycle 1 fits (3 MiB); cycle 2 writes fresh files and runs out of space.
    RunSpy run(asked);
    QVERIFY(run.finished(30000));
    QVERIFY(!run.result->success && run.result->isAutoStop);
    QCOMPARE(run.result->errorMessage, std::optional<QString>(QStringLiteral("Write failed: No space left on device")));
    QCOMPARE(run.result->cycleResults.at(0).writePhase->bytes, 3 * mebibyte);
    // No more than the volume holds: failed chunks are not counted.
    const quint64 totalWritten = run.detail("totalWriteBytes").toULongLong();
    QVERIFY(totalWritten >= 3 * mebibyte && totalWritten <= 4 * mebibyte);
    QCOMPARE(run.detail("cycleCompletion"), QStringLiteral("Failed"));
    QCOMPARE(run.detail("testPath"), volume.mountPoint());
    // Cycle 1's write completed; the failed one never reports itself complete.
    QCOMPARE(run.messages.count(QStringLiteral("Completing write phase...")), 1);
    QVERIFY(run.removed() && testDirectories(volume.mountPoint()).isEmpty());
}

void tst_LocalTestRun::dataChangedBetweenPhasesFailsRead_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<QString>("error");
    QTest::newRow("one byte changed, verified") << "flip" << true << "Read data differs in %1 at offset 1000005";
    QTest::newRow("one byte changed, not verified") << "flip" << false << "";
    QTest::newRow("file cut short") << "truncate" << false << "Read failed: %1 returned 1048576 of 2097152 bytes";
}

// Between the write and the read phase the storage silently changes a file.
void tst_LocalTestRun::dataChangedBetweenPhasesFailsRead()
{
    QFETCH(QString, change);
    QFETCH(bool, verify);
    QFETCH(QString, error);
    QTemporaryDir location;
    TestRequest asked = request(location.path(), ThroughputTestOptions::size64KB, 2, 4 * mebibyte);
    asked.verifyData = verify;
    QString changed;
    RunSpy run(asked, [&](const RunProgress &progress) {
        if (progress.message != QLatin1String("Completing write phase...") || !changed.isEmpty())
            return;
        const QString directory = run.directory;
        changed = QDir(directory).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name).constLast();
        QFile file(QDir(directory).filePath(changed));
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (change == QLatin1String("truncate")) {
            QVERIFY(file.resize(qint64(mebibyte)));
            return;
        }
        QVERIFY(file.seek(1000005));
        const char flipped = char(~file.peek(1).at(0));
        QVERIFY(file.write(&flipped, 1) == 1);
    });
    QVERIFY(run.finished());
    QVERIFY(!changed.isEmpty());
    QCOMPARE(run.result->success, error.isEmpty());
    QCOMPARE(run.result->errorMessage.value_or(QString()), error.isEmpty() ? QString() : error.arg(changed));
    QCOMPARE(run.detail("verifyData"), verify ? QStringLiteral("Yes") : QStringLiteral("No"));
    // The figures up to the failure stay in the result.
    QCOMPARE(run.result->cycleResults.at(0).writePhase->bytes, 4 * mebibyte);
    QVERIFY(run.result->cycleResults.at(0).readPhase.has_value());
    QVERIFY(run.removed());
}

void tst_LocalTestRun::destroyedMidRun_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("while writing") << "writing";
    QTest::newRow("by a receiver of its result") << "handler";
    QTest::newRow("right after the stop") << "stopped";
}

void tst_LocalTestRun::destroyedMidRun()
{
    QFETCH(QString, when);
    QTemporaryDir location;
    const bool inHandler = when == QLatin1String("handler");
    auto *run = new LocalTestRun;
    bool delivered = false;
    bool progressed = false;
    QObject::connect(run, &TestRun::progressed, this, [&progressed] { progressed = true; });
    QObject::connect(run, &TestRun::finished, this, [&] {
        delivered = true;
        if (inHandler)
            delete run;
    });
    run->start(request(location.path(), ThroughputTestOptions::size64KB, 2, (inHandler ? 1 : 8192) * mebibyte));
    if (when == QLatin1String("writing")) {
        QTRY_VERIFY_WITH_TIMEOUT(progressed, 10000);
        delete run;
    } else if (when == QLatin1String("stopped")) {
        run->stop();
        delete run; // gone before the queued delivery could run
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(delivered, 20000);
    }
    // A stop right after the start leaves the directory to be made and then
    // removed on threads of their own.
    QVERIFY(DetachedThreads::waitForAll(30));
    QTRY_VERIFY_WITH_TIMEOUT(testDirectories(location.path()).isEmpty(), 30000);
    QCOMPARE(delivered, inHandler);
}

void tst_LocalTestRun::awkwardLocationNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("newline and spaces") << " line\nbreak  ";
    QTest::newRow("non-ASCII") << QStringLiteral("Prüfung ñ 測試 ✓");
    QTest::newRow("percent and format characters") << "%1 %s %n \\x";
    QTest::newRow("4,000-byte path") << "#long";
}

void tst_LocalTestRun::awkwardLocationNames()
{
    QFETCH(QString, name);
    QTemporaryDir parent;
    QString location = parent.filePath(name);
    if (name == QLatin1String("#long")) {
        location = parent.path();
        while (location.size() < 4000)
            location += QLatin1Char('/') + QString(std::min<qsizetype>(180, 4000 - location.size() - 1), QLatin1Char('d'));
    }
    QVERIFY(QDir().mkpath(location));
    RunSpy run(request(location, ThroughputTestOptions::size256KB, 2, 2 * mebibyte));
    QVERIFY(run.finished());
    QVERIFY2(run.result->success, qPrintable(run.result->errorMessage.value_or(QString())));
    QCOMPARE(run.detail("testPath"), location);
    QCOMPARE(run.result->cycleResults.at(0).readPhase->bytes, 2 * mebibyte);
    QVERIFY(run.removed() && testDirectories(location).isEmpty());
}

void tst_LocalTestRun::repeatedRunsGiveBackDescriptorsAndThreads()
{
    QTemporaryDir location;
    const auto runOnce = [&location] {
        RunSpy run(request(location.path(), ThroughputTestOptions::size256KB, 2, mebibyte));
        return run.finished() && run.result->success && run.removed();
    };
    const auto descriptors = [] {
        return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
    };
    const auto threads = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        const QByteArray text = status.readAll();
        return text.mid(text.indexOf("Threads:") + 8).split('\n').first().trimmed().toInt();
    };
    // The first run starts what lives for the whole process (the log, Qt's own threads).
    QVERIFY(runOnce());
    const qsizetype descriptorsBefore = descriptors();
    const int threadsBefore = threads();
    QVERIFY(threadsBefore > 0);
    for (int run = 0; run < 10; ++run)
        QVERIFY(runOnce());
    // Detached workers may still be on their way out right after the last signal.
    QTRY_VERIFY_WITH_TIMEOUT(threads() <= threadsBefore, 10000);
    QCOMPARE(descriptors(), descriptorsBefore);
}

void tst_LocalTestRun::locationVanishesMidRun_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("error");
    const QString missing = QStringLiteral(": No such file or directory");
    QTest::newRow("renamed") << QStringLiteral("renamed")
                             << QStringLiteral("Failed to open file for read: streaming_write_initial_0.dat") + missing;
    QTest::newRow("removed") << QStringLiteral("removed")
                             << QStringLiteral("Failed to open file for read: streaming_write_initial_0.dat") + missing;
    // One file gone must not be skipped with the rest read as if all were there.
    QTest::newRow("one file removed")
        << QStringLiteral("one file removed")
        << QStringLiteral("Failed to open file for read: streaming_write_initial_1.dat") + missing;
}

void tst_LocalTestRun::locationVanishesMidRun()
{
    QFETCH(QString, what);
    QFETCH(QString, error);
    QTemporaryDir base;
    const QString location = base.filePath(QStringLiteral("location"));
    QVERIFY(QDir().mkpath(location));
    TestRequest asked = request(location, ThroughputTestOptions::size64KB, 2, 1024 * mebibyte, 2);
    asked.disableCache = false;
    RunSpy run(asked);
    QVERIFY(run.moving());
    if (what == QLatin1String("removed")) {
        QVERIFY(QDir(location).removeRecursively());
    } else if (what == QLatin1String("renamed")) {
        QVERIFY(QDir().rename(location, base.filePath(QStringLiteral("moved"))));
    } else {
        const QStringList directories = QDir(location).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(directories.size(), 1);
        QVERIFY(QFile::remove(location + u'/' + directories.first() + QStringLiteral("/streaming_write_initial_1.dat")));
    }
    // The files written so far stay open; the read phase cannot find them by name.
    QVERIFY(run.finished(120000));
    QCOMPARE(run.result->errorMessage, std::optional<QString>(error));
    QVERIFY(run.result->cycleResults.at(0).writePhase);
    QVERIFY(!run.result->cycleResults.at(0).readPhase);
    QVERIFY(run.removed());
}

void tst_LocalTestRun::stopReturnsWhileFileSystemIsFrozen()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    RunSpy run(request(volume.mountPoint(), ThroughputTestOptions::size1MB, 2, 8192 * mebibyte));
    QVERIFY(run.moving());
    // Every write from here on blocks in the kernel until the volume is thawed.
    QVERIFY(volume.freeze());
    // The stop waits at most its ten seconds for the stuck writers, then hands over the result.
    run.run->stop();
    QVERIFY(run.finished(20000));
    QCOMPARE(run.detail("cycleCompletion"), QStringLiteral("Manually stopped"));
    QCOMPARE(run.cleanup.count(), 0);
    // Thawed, the writers see the stop and the directory goes.
    QVERIFY(volume.thaw());
    QVERIFY(run.removed(60000) && !QFileInfo::exists(run.directory));
}

void tst_LocalTestRun::startGivesUpOnAFrozenLocation()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    QVERIFY(volume.freeze());
    // The start waits its bound for the directory, not for the volume.
    RunSpy run(request(volume.mountPoint(), ThroughputTestOptions::size1MB, 2, 16 * mebibyte));
    // The start hands the directory's making to a thread and returns still starting.
    QVERIFY(run.run->isRunning());
    QVERIFY(run.finished(20000));
    QVERIFY(!run.run->isRunning() && run.directory.isEmpty());
    QCOMPARE(run.result->errorMessage,
        std::optional<QString>(QStringLiteral("Failed to create test directory: %1 did not answer within 10 seconds")
                                   .arg(volume.mountPoint())));
    // Thawed, the abandoned creation finishes late and removes what it made.
    QVERIFY(volume.thaw());
    QTRY_VERIFY_WITH_TIMEOUT(testDirectories(volume.mountPoint()).isEmpty(), 30000);
}

void tst_LocalTestRun::samplerKeepsItsRate()
{
    // Ten samples a second at 0.1 s, also when Qt's timer grid brings a tick a
    // little early. A rate check: the bound leaves room for a busy machine.
    ThroughputSampler sampler;
    QElapsedTimer clock;
    clock.start();
    sampler.start(0.1, std::make_shared<ProgressCounters>(), {});
    QTest::qWait(2000);
    sampler.stop();
    const double intervals = double(clock.elapsed()) / 100.0;
    QVERIFY2(sampler.streamResults().size() >= qsizetype(intervals * 0.7),
        qPrintable(QStringLiteral("%1 samples in %2 intervals").arg(sampler.streamResults().size()).arg(intervals)));
}

QTEST_GUILESS_MAIN(tst_LocalTestRun)
#include "tst_localtestrun.moc"
