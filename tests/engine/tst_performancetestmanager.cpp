// Whole streaming runs against real folders, with real worker threads.

#include "engine/performancetestmanager.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "platform/scratchvolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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

// A run of one manager, with what its handlers and signal delivered.
struct Run
{
    std::unique_ptr<PerformanceTestManager> manager = std::make_unique<PerformanceTestManager>();
    QSignalSpy cleanup{manager.get(), &PerformanceTestManager::testDirectoryCleanupFinished};
    std::optional<PerformanceTestResult> result;
    int completions = 0;
    QStringList messages;
    QString directory;

    void start(const TestRequest &request)
    {
        manager->start(
            request,
            [this](double, const QString &message, const QList<StreamResult> &, const QList<TimelineMarker> &,
                const QString &, int, int) { messages.append(message); },
            [this](const PerformanceTestResult &value) {
                result = value;
                ++completions;
            });
        directory = manager->currentTestDirectoryPath().value_or(QString());
    }
    bool finished(int timeoutMs = 60000) { return QTest::qWaitFor([this] { return completions == 1; }, timeoutMs); }
    bool removed(int timeoutMs = 30000)
    {
        return QTest::qWaitFor([this] { return cleanup.count() == 1; }, timeoutMs) && cleanup.at(0).at(1).toBool();
    }
};

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

int procCount(const char *what)
{
    if (qstrcmp(what, "fd") == 0)
        return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return -1;
}

} // namespace

class tst_PerformanceTestManager : public QObject
{
    Q_OBJECT

private slots:
    void cycles_data();
    void cycles();
    void stopByHandMidPhase();
    void refusedStarts();
    void emptyLocationUsesMountPath();
    void writeFailureEndsRunWithFiguresKept();
    void destroyedMidRun_data();
    void destroyedMidRun();
    void awkwardLocationNames_data();
    void awkwardLocationNames();
    void repeatedRunsGiveBackDescriptorsAndThreads();
    void unwritableLocationFails();
    void locationVanishesMidRun_data();
    void locationVanishesMidRun();
    void stopReturnsWhileFileSystemIsFrozen();
    void startGivesUpOnAFrozenLocation();
};

void tst_PerformanceTestManager::cycles_data()
{
    QTest::addColumn<ThroughputTestOptions>("chunk");
    QTest::addColumn<int>("queueDepth");
    QTest::addColumn<quint64>("bytesPerCycle");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("disableCache");
    // Per cycle: bytes written and read, 0 for a phase that does not run.
    QTest::addColumn<QList<quint64>>("written");
    QTest::addColumn<QList<quint64>>("read_");
    const quint64 m = mebibyte;
    QTest::newRow("128 chunks over 4 files") << ThroughputTestOptions::size64KB << 4 << 8 * m << true << true << true
                                             << QList<quint64>{8 * m, 8 * m} << QList<quint64>{8 * m, 8 * m};
    // 8 chunks over 3 files: 2 per file, the remainder is not written.
    QTest::newRow("remainder, cached") << ThroughputTestOptions::size1MB << 3 << 8 * m << true << true << false
                                       << QList<quint64>{6 * m, 6 * m} << QList<quint64>{6 * m, 6 * m};
    // Fewer chunks than files: two files get a chunk, the others keep their seed.
    QTest::newRow("two chunks, four files") << ThroughputTestOptions::size1MB << 4 << 2 * m << true << true << true
                                            << QList<quint64>{2 * m, 2 * m}
                                            << QList<quint64>{2 * m + 2048, 2 * m + 2048};
    QTest::newRow("below one chunk") << ThroughputTestOptions::size1MB << 2 << quint64(100000) << true << true << true
                                     << QList<quint64>{0, 0} << QList<quint64>{2048, 2048};
    QTest::newRow("write only, fresh files") << ThroughputTestOptions::size256KB << 2 << 4 * m << true << false << true
                                             << QList<quint64>{4 * m, 4 * m, 4 * m} << QList<quint64>{0, 0, 0};
    // The first cycle writes the data the later ones read; the cache flush
    // overwrites in place, so the files keep their length.
    QTest::newRow("read only, cached") << ThroughputTestOptions::size64KB << 2 << 2 * m << false << true << false
                                       << QList<quint64>{2 * m, 0, 0} << QList<quint64>{2 * m, 2 * m, 2 * m};
}

void tst_PerformanceTestManager::cycles()
{
    QFETCH(ThroughputTestOptions, chunk);
    QFETCH(int, queueDepth);
    QFETCH(quint64, bytesPerCycle);
    QFETCH(bool, write);
    QFETCH(bool, read);
    QFETCH(bool, disableCache);
    QFETCH(QList<quint64>, written);
    QFETCH(QList<quint64>, read_);
    QTemporaryDir location;
    TestRequest asked = request(location.path(), chunk, queueDepth, bytesPerCycle, int(written.size()));
    asked.writePhaseEnabled = write;
    asked.readPhaseEnabled = read;
    asked.disableCache = disableCache;
    asked.developerMode = !disableCache;
    Run run;
    run.start(asked);
    QVERIFY(run.manager->isRunning());
    QCOMPARE(QFileInfo(run.directory).path(), location.path());
    QVERIFY(run.finished());
    const PerformanceTestResult &result = *run.result;
    QVERIFY(result.success);
    QVERIFY(result.isAutoStop);
    QVERIFY(!run.manager->isRunning());

    quint64 totalWritten = 0;
    quint64 totalRead = 0;
    QCOMPARE(result.cycleResults.size(), written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        const CycleResult &cycle = result.cycleResults.at(i);
        QCOMPARE(cycle.cycleNumber, int(i) + 1);
        QCOMPARE(cycle.writePhase.has_value(), write || i == 0);
        QCOMPARE(cycle.readPhase.has_value(), read);
        QCOMPARE(cycle.writePhase.value_or(PhaseResult()).bytes, written.at(i));
        QCOMPARE(cycle.readPhase.value_or(PhaseResult()).bytes, read_.at(i));
        totalWritten += written.at(i);
        totalRead += read_.at(i);
    }
    QCOMPARE(result.details.value(QStringLiteral("totalWriteBytes")).toULongLong(), totalWritten);
    QCOMPARE(result.details.value(QStringLiteral("totalReadBytes")).toULongLong(), totalRead);
    QCOMPARE(result.metrics.value(QStringLiteral("writeSpeed")) > 0, totalWritten > 0);
    QCOMPARE(result.metrics.value(QStringLiteral("readSpeed")) > 0, totalRead > 0);
    QCOMPARE(result.details.value(QStringLiteral("interfaceInfo")), location.path());
    if (read)
        QVERIFY(run.messages.contains(QStringLiteral("Completing read phase...")));
    QStringList markers;
    for (const TimelineMarker &marker : run.manager->timelineMarkers())
        markers.append(marker.message);
    QCOMPARE(markers.mid(0, 3), (QStringList{"Start write phase", "I/O operations complete",
                                    asked.developerMode ? "Synced files" : "End write phase"}));
    QCOMPARE(markers.contains(QStringLiteral("Closed files")), asked.developerMode);
    QVERIFY(run.removed());
    QCOMPARE(run.cleanup.at(0).at(0).toString(), run.directory);
    QVERIFY(testDirectories(location.path()).isEmpty());
}

void tst_PerformanceTestManager::stopByHandMidPhase()
{
    QTemporaryDir location;
    TestRequest asked = request(location.path(), ThroughputTestOptions::size64KB, 2, 8192 * mebibyte, 5);
    asked.samplingRateSeconds = 0.05;
    asked.interfaceInfo = QStringLiteral("eth0 (test)");
    Run run;
    // Far more data than can be written before the first sample.
    run.start(asked);
    QTRY_VERIFY_WITH_TIMEOUT(!run.messages.isEmpty(), 10000);
    QVERIFY(run.messages.first().startsWith(QLatin1String("Cycle 1/5 Write - ")));

    run.manager->stop();
    QVERIFY(!run.manager->isRunning());
    QVERIFY(run.manager->cancelRequested());
    QVERIFY(run.finished(10000));
    const PerformanceTestResult &result = *run.result;
    QVERIFY(result.success);
    QVERIFY(!result.isAutoStop);
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Manually stopped"));
    QCOMPARE(result.details.value(QStringLiteral("totalCycles")), QStringLiteral("1"));
    QCOMPARE(result.details.value(QStringLiteral("targetCycles")), QStringLiteral("5"));
    QCOMPARE(result.details.value(QStringLiteral("interfaceInfo")), QStringLiteral("eth0 (test)"));
    const quint64 written = result.cycleResults.at(0).writePhase->bytes;
    QVERIFY(written > 0 && written < 8192 * mebibyte);
    QCOMPARE(written % (64 * 1024), quint64(0));
    QVERIFY(run.removed());

    const QList<StreamResult> samples = run.manager->streamResults();
    QVERIFY(!samples.isEmpty());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        QCOMPARE(samples.at(i).operation, QStringLiteral("write"));
        if (i > 0)
            QVERIFY(samples.at(i).seconds > samples.at(i - 1).seconds);
    }
    QTest::qWait(200); // no timer may add samples after the stop
    QCOMPARE(run.manager->streamResults().size(), samples.size());
    run.manager->stop(); // a stop without a run does nothing
    QTest::qWait(50);
    QCOMPARE(run.completions, 1);
}

void tst_PerformanceTestManager::refusedStarts()
{
    QTemporaryDir location;
    Run run;
    run.start(request(location.path(), ThroughputTestOptions::size64KB, 1, 4096 * mebibyte));
    std::optional<PerformanceTestResult> refused;
    run.manager->start(request(location.path(), ThroughputTestOptions::size1MB, 2, mebibyte), {},
        [&refused](const PerformanceTestResult &value) { refused = value; });
    QVERIFY(refused && !refused->success);
    QCOMPARE(refused->errorMessage, std::optional<QString>(QStringLiteral("A test is already running")));
    QVERIFY(refused->details.isEmpty());
    QVERIFY(run.manager->isRunning());
    QCOMPARE(run.manager->currentTestDirectoryPath(), std::optional<QString>(run.directory));
    run.manager->stop();
    QVERIFY(run.removed());

    Run nowhere;
    nowhere.start(request(QString(), ThroughputTestOptions::size1MB, 2, mebibyte));
    QCOMPARE(nowhere.completions, 1);
    QCOMPARE(nowhere.result->errorMessage, std::optional<QString>(QStringLiteral("No valid test location provided")));
    QVERIFY(!nowhere.manager->isRunning());
}

void tst_PerformanceTestManager::emptyLocationUsesMountPath()
{
    QTemporaryDir mount;
    TestRequest asked = request(QString(), ThroughputTestOptions::size64KB, 1, 256 * 1024);
    asked.share.shareName = QStringLiteral("data");
    asked.share.mountPath = mount.path();
    Run run;
    run.start(asked);
    QCOMPARE(QFileInfo(run.directory).path(), mount.path());
    QVERIFY(run.finished());
    QCOMPARE(run.result->details.value(QStringLiteral("testPath")), mount.path());
    QVERIFY(run.removed());
}

void tst_PerformanceTestManager::writeFailureEndsRunWithFiguresKept()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=4m")))
        QSKIP(qPrintable(*problem));
    TestRequest asked = request(volume.mountPoint(), ThroughputTestOptions::size256KB, 2, 3 * mebibyte, 3);
    asked.readPhaseEnabled = false;
    Run run;
    // Cycle 1 fits (3 MiB); cycle 2 writes fresh files and runs out of space.
    run.start(asked);
    QVERIFY(run.finished(30000));
    const PerformanceTestResult &result = *run.result;
    QVERIFY(!result.success);
    QVERIFY(result.isAutoStop);
    QCOMPARE(result.errorMessage, std::optional<QString>(QStringLiteral("Write failed: No space left on device")));
    QCOMPARE(result.cycleResults.at(0).writePhase->bytes, 3 * mebibyte);
    const quint64 totalWritten = result.details.value(QStringLiteral("totalWriteBytes")).toULongLong();
    // No more than the volume holds: failed chunks are not counted.
    QVERIFY(totalWritten >= 3 * mebibyte && totalWritten <= 4 * mebibyte);
    QVERIFY(result.metrics.value(QStringLiteral("writeSpeed")) > 0);
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Failed"));
    // Cycle 1's write completed; the failed one never reports itself complete.
    QCOMPARE(run.messages.count(QStringLiteral("Completing write phase...")), 1);
    QVERIFY(run.removed());
    QVERIFY(testDirectories(volume.mountPoint()).isEmpty());
}

void tst_PerformanceTestManager::destroyedMidRun_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("while writing") << "writing";
    QTest::newRow("by the completion handler") << "handler";
    QTest::newRow("right after the stop") << "stopped";
}

void tst_PerformanceTestManager::destroyedMidRun()
{
    QFETCH(QString, when);
    QTemporaryDir location;
    const bool inHandler = when == QLatin1String("handler");
    auto *manager = new PerformanceTestManager;
    bool delivered = false;
    bool progressed = false;
    manager->start(request(location.path(), ThroughputTestOptions::size64KB, 2, (inHandler ? 1 : 8192) * mebibyte),
        [&progressed](double, const QString &, const QList<StreamResult> &, const QList<TimelineMarker> &,
            const QString &, int, int) { progressed = true; },
        [&](const PerformanceTestResult &) {
            delivered = true;
            if (inHandler) {
                delete manager;
                manager = nullptr;
            }
        });
    const QString directory = *manager->currentTestDirectoryPath();
    if (when == QLatin1String("writing")) {
        QTRY_VERIFY_WITH_TIMEOUT(progressed, 10000);
        delete manager;
    } else if (when == QLatin1String("stopped")) {
        manager->stop();
        delete manager; // gone before the queued delivery could run
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(delivered, 20000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(directory), 30000);
    QCOMPARE(delivered, inHandler);
}

void tst_PerformanceTestManager::awkwardLocationNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << " a location with  spaces ";
    QTest::newRow("newline") << "line\nbreak";
    QTest::newRow("non-ASCII") << QStringLiteral("Prüfung ñ 測試 ✓");
    QTest::newRow("percent and format characters") << "%1 %s %n \\x";
    QTest::newRow("4,000-byte path") << "#long";
}

void tst_PerformanceTestManager::awkwardLocationNames()
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
    Run run;
    run.start(request(location, ThroughputTestOptions::size256KB, 2, 2 * mebibyte));
    QVERIFY(run.finished());
    QVERIFY2(run.result->success, qPrintable(run.result->errorMessage.value_or(QString())));
    QCOMPARE(run.result->details.value(QStringLiteral("testPath")), location);
    QCOMPARE(run.result->cycleResults.at(0).readPhase->bytes, 2 * mebibyte);
    QVERIFY(run.removed());
    QVERIFY(testDirectories(location).isEmpty());

    // The sweep finds leftovers under the same names.
    QVERIFY(QDir().mkpath(location + QStringLiteral("/Trevlamark_Test_Data_1700000003")));
    TestDirectory::sweep(location);
    QVERIFY(testDirectories(location).isEmpty());
}

void tst_PerformanceTestManager::repeatedRunsGiveBackDescriptorsAndThreads()
{
    QTemporaryDir location;
    const auto runOnce = [&location] {
        Run run;
        run.start(request(location.path(), ThroughputTestOptions::size256KB, 2, mebibyte));
        return run.finished() && run.result->success && run.removed();
    };
    // The first run starts what lives for the whole process (the log, Qt's own threads).
    QVERIFY(runOnce());
    const int descriptorsBefore = procCount("fd");
    const int threadsBefore = procCount("threads");
    QVERIFY(threadsBefore > 0);
    for (int run = 0; run < 10; ++run)
        QVERIFY(runOnce());
    QVERIFY(testDirectories(location.path()).isEmpty());
    // Detached workers may still be on their way out right after the last signal.
    QTRY_VERIFY_WITH_TIMEOUT(procCount("threads") <= threadsBefore, 10000);
    QCOMPARE(procCount("fd"), descriptorsBefore);
}

void tst_PerformanceTestManager::unwritableLocationFails()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("ro,size=1m")))
        QSKIP(qPrintable(*problem));
    Run run;
    run.start(request(volume.mountPoint(), ThroughputTestOptions::size256KB, 2, 2 * mebibyte));
    QVERIFY(run.finished(10000));
    QCOMPARE(run.result->errorMessage, std::optional<QString>(QStringLiteral("Failed to create test directory")));
    QVERIFY(!run.manager->isRunning());
    QVERIFY(!run.manager->currentTestDirectoryPath());
    QCOMPARE(QDir(volume.mountPoint()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void tst_PerformanceTestManager::locationVanishesMidRun_data()
{
    QTest::addColumn<bool>("removeLocation"); // false: renamed
    QTest::newRow("renamed") << false;
    QTest::newRow("removed") << true;
}

void tst_PerformanceTestManager::locationVanishesMidRun()
{
    QFETCH(bool, removeLocation);
    QTemporaryDir base;
    const QString location = base.filePath(QStringLiteral("location"));
    const QString moved = base.filePath(QStringLiteral("moved"));
    QVERIFY(QDir().mkpath(location));
    TestRequest asked = request(location, ThroughputTestOptions::size64KB, 2, 1024 * mebibyte, 2);
    asked.disableCache = false;
    Run run;
    run.start(asked);
    QTRY_VERIFY_WITH_TIMEOUT(!run.messages.isEmpty(), 10000);
    if (removeLocation)
        QVERIFY(QDir(location).removeRecursively());
    else
        QVERIFY(QDir().rename(location, moved));

    // The files written so far stay open; the read phase cannot find them by name.
    QVERIFY(run.finished(120000));
    QCOMPARE(run.result->errorMessage,
        std::optional<QString>(QStringLiteral("No valid file handles created for read test")));
    QVERIFY(run.result->cycleResults.at(0).writePhase);
    QTRY_COMPARE_WITH_TIMEOUT(run.cleanup.count(), 1, 30000);
    QCOMPARE(run.cleanup.at(0).at(1).toBool(), false);
    QVERIFY(!QFileInfo::exists(location));
}

void tst_PerformanceTestManager::stopReturnsWhileFileSystemIsFrozen()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    Run run;
    run.start(request(volume.mountPoint(), ThroughputTestOptions::size1MB, 2, 8192 * mebibyte));
    QTRY_VERIFY_WITH_TIMEOUT(!run.messages.isEmpty(), 10000);
    // Every write from here on blocks in the kernel until the volume is thawed.
    QVERIFY(volume.freeze());

    // The stop waits at most its ten seconds for the stuck writers, then hands over the result.
    run.manager->stop();
    QVERIFY(!run.manager->isRunning());
    QVERIFY(run.finished(5000));
    QCOMPARE(run.result->details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Manually stopped"));
    QCOMPARE(run.cleanup.count(), 0);

    // Thawed, the writers see the stop and the directory goes.
    QVERIFY(volume.thaw());
    QVERIFY(run.removed(60000));
    QVERIFY(!QFileInfo::exists(run.directory));
}

void tst_PerformanceTestManager::startGivesUpOnAFrozenLocation()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    QVERIFY(volume.freeze());
    Run run;
    // The start waits its bound for the directory, not for the volume.
    run.start(request(volume.mountPoint(), ThroughputTestOptions::size1MB, 2, 16 * mebibyte));
    QVERIFY(!run.manager->isRunning());
    QVERIFY(!run.manager->currentTestDirectoryPath());
    QVERIFY(run.finished(5000));
    QCOMPARE(run.result->errorMessage, std::optional<QString>(QStringLiteral("Failed to create test directory")));

    // Thawed, the abandoned creation finishes late; a sweep removes what it made.
    QVERIFY(volume.thaw());
    QVERIFY(DetachedThreads::waitForAll(30));
    TestDirectory::sweep(volume.mountPoint());
    QVERIFY(testDirectories(volume.mountPoint()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_PerformanceTestManager)
#include "tst_performancetestmanager.moc"
