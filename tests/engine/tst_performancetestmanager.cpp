// Whole streaming runs against real folders, with real worker threads.

#include "settings/logmanager.h"
#include "settings/preferencesmanager.h"
#include "engine/testdirectorysweeper.h"
#include "engine/performancetestmanager.h"
#include "platform/detachedthreads.h"
#include "platform/preferencestore.h"
#include "support/scratchvolume.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace trevlamark;

namespace {

constexpr quint64 mebibyte = 1048576;

struct Recorder
{
    std::optional<PerformanceTestResult> result;
    int completions = 0;
    QList<double> progress;
    QStringList messages;

    PerformanceTestManager::StreamProgressHandler progressHandler()
    {
        return [this](double fraction, const QString &message, const QList<StreamResult> &, const QList<TimelineMarker> &,
                   const QString &, int, int) {
            progress.append(fraction);
            messages.append(message);
        };
    }
    PerformanceTestManager::TestCompletionHandler completionHandler()
    {
        return [this](const PerformanceTestResult &value) {
            result = value;
            ++completions;
        };
    }
};

QString readLog()
{
    QFile file(LogManager::shared().logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList testDirectories(const QString &location)
{
    return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

int threadCount()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return -1;
}

// One small complete run, waited for up to the removal of its directory.
bool runOnce(const QString &location, quint64 bytesPerCycle, PerformanceTestResult *result)
{
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size256KB, 2, BytesPerCycleOptions::custom,
        bytesPerCycle, 1, true, location, true, true, recorder.progressHandler(), recorder.completionHandler());
    if (!QTest::qWaitFor([&] { return recorder.completions == 1 && cleanupSpy.count() == 1; }, 60000))
        return false;
    *result = *recorder.result;
    return cleanupSpy.at(0).at(1).toBool();
}

} // namespace

class tst_PerformanceTestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void progressMessage_data();
    void progressMessage();
    void targetAdjustment_data();
    void targetAdjustment();
    void developerMarkers_data();
    void developerMarkers();
    void writeAndRead_data();
    void writeAndRead();
    void writeOnlyRunsEveryCycleWithFreshFiles();
    void readOnlyRereadsAndFlushesCache();
    void manualStopMidPhase();
    void secondStartIsRefused();
    void missingLocationFails();
    void zeroQueueDepthEndsAsFailure();
    void emptyLocationUsesMountPathAndVolumesText();
    void stopWithoutOptionsUsesDefaults();
    void writeFailureEndsRunWithFiguresKept();
    void destroyedMidRunDoesNotCrashAndRemovesDirectory();
    void destroyedByCompletionHandlerStillRemovesDirectory();
    void destroyedRightAfterStopStillRemovesDirectory();
    void fullVolumeInFirstWritePhase();
    void awkwardLocationNames_data();
    void awkwardLocationNames();
    void repeatedRunsGiveBackDescriptorsAndThreads();
    void unwritableLocationFails_data();
    void unwritableLocationFails();
    void locationVanishesMidRun_data();
    void locationVanishesMidRun();
    void stopReturnsWhileFileSystemIsFrozen();
    void startGivesUpOnAFrozenLocation();
};

void tst_PerformanceTestManager::initTestCase()
{
    for (const LogLevel level : {LogLevel::Info, LogLevel::Warning, LogLevel::Error, LogLevel::Debug})
        PreferenceStore::setValue(LogManager::switchKey(level), true);
}

void tst_PerformanceTestManager::init()
{
    QFile::remove(LogManager::shared().logFilePath());
}

void tst_PerformanceTestManager::progressMessage_data()
{
    QTest::addColumn<int>("cycle");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("expected");
    QTest::newRow("read three quarters") << 2 << 5 << "read" << 0.75 << "Cycle 2/5 Read - 75%";
    QTest::newRow("write start") << 1 << 1 << "write" << 0.0 << "Cycle 1/1 Write - 0%";
    QTest::newRow("rounded") << 3 << 4 << "write" << 0.126 << "Cycle 3/4 Write - 13%";
    QTest::newRow("done") << 1 << 2 << "read" << 1.0 << "Cycle 1/2 Read - 100%";
}

void tst_PerformanceTestManager::progressMessage()
{
    QFETCH(int, cycle);
    QFETCH(int, total);
    QFETCH(QString, operation);
    QFETCH(double, fraction);
    QFETCH(QString, expected);
    QCOMPARE(PerformanceTestManager::progressMessage(cycle, total, operation, fraction), expected);
}

void tst_PerformanceTestManager::targetAdjustment_data()
{
    QTest::addColumn<BytesPerCycleOptions>("option");
    QTest::addColumn<quint64>("custom");
    QTest::addColumn<ThroughputTestOptions>("chunk");
    QTest::addColumn<quint64>("target");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("1GB by 64MB") << BytesPerCycleOptions::size1GB << quint64(0) << ThroughputTestOptions::size64MB
                                 << quint64(1073741824) << QString();
    QTest::newRow("1e9 by 1MB") << BytesPerCycleOptions::custom << quint64(1000000000) << ThroughputTestOptions::size1MB
                                << quint64(999292928)
                                << QStringLiteral("Adjusted target bytes from 1000000000 to 999292928 to ensure "
                                                  "divisibility by chunk size 1048576");
    QTest::newRow("custom 0 means 1GiB") << BytesPerCycleOptions::custom << quint64(0)
                                         << ThroughputTestOptions::size1MB << quint64(1073741824) << QString();
    QTest::newRow("below one chunk") << BytesPerCycleOptions::custom << quint64(1000)
                                     << ThroughputTestOptions::size64KB << quint64(0)
                                     << QStringLiteral("Adjusted target bytes from 1000 to 0");
}

void tst_PerformanceTestManager::targetAdjustment()
{
    QFETCH(BytesPerCycleOptions, option);
    QFETCH(quint64, custom);
    QFETCH(ThroughputTestOptions, chunk);
    QFETCH(quint64, target);
    QFETCH(QString, logLine);
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    manager.startStreamingTest(NetworkShare(), chunk, 1, option, custom, 1, true, location.path(), true, true, {}, {});
    QCOMPARE(manager.totalBytesTargetPerPhase(), target);
    manager.stopStreamingTest(NetworkShare(), location.path(), false, std::nullopt, std::nullopt, {});
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    const QString log = readLog();
    if (logLine.isEmpty())
        QVERIFY(!log.contains(QLatin1String("Adjusted target bytes")));
    else
        QVERIFY(log.contains(QLatin1String("[DEBUG] ") + logLine));
}

void tst_PerformanceTestManager::developerMarkers_data()
{
    QTest::addColumn<bool>("developerMode");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("off") << false
                         << QStringList{QStringLiteral("Start write phase"), QStringLiteral("I/O operations complete"),
                                QStringLiteral("End write phase")};
    QTest::newRow("on") << true
                        << QStringList{QStringLiteral("Start write phase"), QStringLiteral("I/O operations complete"),
                               QStringLiteral("Synced files"), QStringLiteral("End write phase"),
                               QStringLiteral("Closed files")};
}

void tst_PerformanceTestManager::developerMarkers()
{
    QFETCH(bool, developerMode);
    QFETCH(QStringList, expected);
    PreferenceStore::setValue(QLatin1String(PreferencesManager::developerModeKey), developerMode);
    const auto reset = qScopeGuard(
        [] { PreferenceStore::setValue(QLatin1String(PreferencesManager::developerModeKey), false); });
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 2, BytesPerCycleOptions::custom,
        mebibyte, 1, true, location.path(), true, false, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QStringList messages;
    for (const TimelineMarker &marker : manager.timelineMarkers()) {
        messages.append(marker.message);
        QCOMPARE(marker.type, QStringLiteral("write"));
        QVERIFY(!marker.id.isNull());
    }
    QCOMPARE(messages, expected);
}

void tst_PerformanceTestManager::writeAndRead_data()
{
    QTest::addColumn<ThroughputTestOptions>("chunk");
    QTest::addColumn<int>("queueDepth");
    QTest::addColumn<quint64>("bytesPerCycle");
    QTest::addColumn<bool>("disableCache");
    QTest::addColumn<quint64>("expectedWritePerPhase");
    QTest::addColumn<quint64>("expectedReadPerPhase");

    // 128 chunks over 4 files divide evenly.
    QTest::newRow("divisible-64K-qd4-direct") << ThroughputTestOptions::size64KB << 4 << 8 * mebibyte << true
                                              << 8 * mebibyte << 8 * mebibyte;
    // 8 chunks over 3 files: 2 per file, the remainder is not written.
    QTest::newRow("remainder-1MB-qd3-cached") << ThroughputTestOptions::size1MB << 3 << 8 * mebibyte << false
                                              << 6 * mebibyte << 6 * mebibyte;
    // Fewer chunks than files: only two of the four files get a chunk.
    QTest::newRow("two-chunks-qd4") << ThroughputTestOptions::size1MB << 4 << 2 * mebibyte << true << 2 * mebibyte
                                    << 2 * mebibyte + 2 * 1024;
    // A cycle smaller than one chunk writes nothing; the seeds are read.
    QTest::newRow("below-one-chunk") << ThroughputTestOptions::size1MB << 2 << quint64(100000) << true << quint64(0)
                                     << quint64(2 * 1024);
}

void tst_PerformanceTestManager::writeAndRead()
{
    QFETCH(ThroughputTestOptions, chunk);
    QFETCH(int, queueDepth);
    QFETCH(quint64, bytesPerCycle);
    QFETCH(bool, disableCache);
    QFETCH(quint64, expectedWritePerPhase);
    QFETCH(quint64, expectedReadPerPhase);

    QTemporaryDir location;
    QVERIFY(location.isValid());
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), chunk, queueDepth, BytesPerCycleOptions::custom, bytesPerCycle, 2,
        disableCache, location.path(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QVERIFY(manager.isRunning());
    const std::optional<QString> directory = manager.currentTestDirectoryPath();
    QVERIFY(directory);
    QVERIFY(QFileInfo(*directory).fileName().startsWith(QLatin1String("Trevlamark_Test_Data_")));
    QCOMPARE(QFileInfo(*directory).path(), location.path());

    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 60000);
    const PerformanceTestResult &result = *recorder.result;
    QVERIFY(result.success);
    QVERIFY(!result.errorMessage);
    QVERIFY(result.isAutoStop);
    QVERIFY(!manager.isRunning());

    QCOMPARE(result.cycleResults.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const CycleResult &cycle = result.cycleResults.at(i);
        QCOMPARE(cycle.cycleNumber, i + 1);
        QVERIFY(cycle.writePhase);
        QVERIFY(cycle.readPhase);
        QCOMPARE(cycle.writePhase->bytes, expectedWritePerPhase);
        QCOMPARE(cycle.readPhase->bytes, expectedReadPerPhase);
        QVERIFY(cycle.writePhase->duration > 0);
        QVERIFY(cycle.readPhase->duration > 0);
        QVERIFY(cycle.writePhase->latencyTotal >= cycle.writePhase->latencyIOToSync);
    }
    const QMap<QString, QVariantMap> phases = manager.phaseResults();
    QCOMPARE(phases.keys(), (QStringList{QStringLiteral("cycle_1_read"), QStringLiteral("cycle_1_write"),
                                QStringLiteral("cycle_2_read"), QStringLiteral("cycle_2_write")}));
    QCOMPARE(phases.value(QStringLiteral("cycle_2_read")).size(), 6);

    QCOMPARE(result.details.value(QStringLiteral("testType")), QStringLiteral("Streaming I/O Test"));
    QCOMPARE(result.details.value(QStringLiteral("chunkSize")), displayText(chunk));
    QCOMPARE(result.details.value(QStringLiteral("queueDepth")), QString::number(queueDepth));
    QCOMPARE(result.details.value(QStringLiteral("disableCache")),
        disableCache ? QStringLiteral("Disabled") : QStringLiteral("Enabled"));
    QCOMPARE(result.details.value(QStringLiteral("totalCycles")), QStringLiteral("2"));
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Complete"));
    QVERIFY(!result.details.contains(QStringLiteral("targetCycles")));
    QCOMPARE(result.details.value(QStringLiteral("testPath")), location.path());
    QCOMPARE(result.details.value(QStringLiteral("interfaceInfo")), location.path());
    QCOMPARE(result.details.value(QStringLiteral("totalReadBytes")), QString::number(2 * expectedReadPerPhase));
    if (expectedWritePerPhase == 0) {
        QVERIFY(!result.details.contains(QStringLiteral("totalWriteBytes")));
        QCOMPARE(result.metrics.value(QStringLiteral("writeSpeed")), 0.0);
    } else {
        QCOMPARE(result.details.value(QStringLiteral("totalWriteBytes")), QString::number(2 * expectedWritePerPhase));
        QVERIFY(result.metrics.value(QStringLiteral("writeSpeed")) > 0);
        const double writeTime = result.details.value(QStringLiteral("writeTime")).toDouble();
        QVERIFY(qAbs(result.metrics.value(QStringLiteral("writeSpeed"))
                     - double(2 * expectedWritePerPhase) / writeTime / double(mebibyte))
            < 1e-6 * result.metrics.value(QStringLiteral("writeSpeed")));
    }
    QVERIFY(result.metrics.value(QStringLiteral("readSpeed")) > 0);

    QVERIFY(recorder.progress.contains(1.0));
    QVERIFY(recorder.messages.contains(QStringLiteral("Completing write phase...")));
    QVERIFY(recorder.messages.contains(QStringLiteral("Completing read phase...")));

    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QCOMPARE(cleanupSpy.at(0).at(0).toString(), *directory);
    QCOMPARE(cleanupSpy.at(0).at(1).toBool(), true);
    QVERIFY(!QFileInfo::exists(*directory));
    QVERIFY(!manager.currentTestDirectoryPath());

    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Completed all 2 cycles. Auto-stopping test.")));
    QVERIFY(log.contains(QLatin1String("Timeline marker: Start write phase at ")));
    QVERIFY(log.contains(QLatin1String("Removed test directory: ") + *directory));
}

void tst_PerformanceTestManager::writeOnlyRunsEveryCycleWithFreshFiles()
{
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size256KB, 2, BytesPerCycleOptions::custom,
        4 * mebibyte, 3, true, location.path(), true, false, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 60000);
    const PerformanceTestResult &result = *recorder.result;
    QVERIFY(result.success);
    QCOMPARE(result.cycleResults.size(), 3);
    for (const CycleResult &cycle : result.cycleResults) {
        QVERIFY(cycle.writePhase);
        QVERIFY(!cycle.readPhase);
        QCOMPARE(cycle.writePhase->bytes, 4 * mebibyte);
    }
    QCOMPARE(result.metrics.value(QStringLiteral("readSpeed")), 0.0);
    QVERIFY(!result.details.contains(QStringLiteral("totalReadBytes")));
    QVERIFY(!result.details.contains(QStringLiteral("readTime")));
    QCOMPARE(result.details.value(QStringLiteral("readPhaseEnabled")), QStringLiteral("No"));
    QCOMPARE(result.details.value(QStringLiteral("totalCycles")), QStringLiteral("3"));

    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("Completed all 3 cycles with skipped read phases. Auto-stopping test.")));
    QVERIFY(log.contains(QLatin1String("Starting cycle #3 (skipping read phase)")));
    QVERIFY(log.contains(QLatin1String("Created cycle file with content: ")));
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QVERIFY(testDirectories(location.path()).isEmpty());
}

void tst_PerformanceTestManager::readOnlyRereadsAndFlushesCache()
{
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 2, BytesPerCycleOptions::custom,
        2 * mebibyte, 3, false, location.path(), false, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 60000);
    const PerformanceTestResult &result = *recorder.result;
    QVERIFY(result.success);
    QCOMPARE(result.cycleResults.size(), 3);
    QVERIFY(result.cycleResults.at(0).writePhase);
    QVERIFY(result.cycleResults.at(0).readPhase);
    for (int i = 1; i < 3; ++i) {
        QVERIFY(!result.cycleResults.at(i).writePhase);
        QVERIFY(result.cycleResults.at(i).readPhase);
        // The flush overwrites blocks in place, so the files keep their length.
        QCOMPARE(result.cycleResults.at(i).readPhase->bytes, 2 * mebibyte);
    }
    QCOMPARE(result.details.value(QStringLiteral("writePhaseEnabled")), QStringLiteral("No"));

    const QString log = readLog();
    QVERIFY(log.contains(QLatin1String("First cycle with disabled write phase - performing minimal write to create data")));
    QVERIFY(log.contains(QLatin1String("Initial writes complete, proceeding to read phase")));
    QVERIFY(log.contains(QLatin1String("Skipping write phase for cycle #2 (write phase disabled)")));
    QCOMPARE(log.count(QLatin1String("Flushing filesystem cache")), 2);
    QVERIFY(log.contains(QLatin1String("Enhanced cache flush completed for all files")));
    QVERIFY(!log.contains(QLatin1String("Some files could not be verified")));
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
}

void tst_PerformanceTestManager::manualStopMidPhase()
{
    QTemporaryDir location;
    PerformanceTestManager manager;
    manager.setSamplingRate(0.05);
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    // Far more data than can be written before the first sample.
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 2, BytesPerCycleOptions::custom,
        8192 * mebibyte, 5, true, location.path(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.messages.isEmpty(), 10000);
    QVERIFY(recorder.messages.first().startsWith(QLatin1String("Cycle 1/5 Write - ")));
    QVERIFY(recorder.messages.first().endsWith(QLatin1Char('%')));

    std::optional<PerformanceTestResult> stopResult;
    StreamTestOptions options{ThroughputTestOptions::size64KB, 8192 * mebibyte, 5, true, 2};
    manager.stopStreamingTest(NetworkShare(), location.path(), false, QStringLiteral("eth0 (test)"), options,
        [&stopResult](const PerformanceTestResult &value) { stopResult = value; });
    QVERIFY(!manager.isRunning());
    QVERIFY(manager.cancelRequested());
    QTRY_VERIFY_WITH_TIMEOUT(stopResult.has_value(), 10000);
    QCOMPARE(recorder.completions, 0); // the start's handler is not called for a stop from the screen

    const PerformanceTestResult &result = *stopResult;
    QVERIFY(result.success);
    QVERIFY(!result.isAutoStop);
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Manually stopped"));
    QCOMPARE(result.details.value(QStringLiteral("totalCycles")), QStringLiteral("1"));
    QCOMPARE(result.details.value(QStringLiteral("targetCycles")), QStringLiteral("5"));
    QCOMPARE(result.details.value(QStringLiteral("interfaceInfo")), QStringLiteral("eth0 (test)"));
    QCOMPARE(result.cycleResults.size(), 1);
    QVERIFY(result.cycleResults.at(0).writePhase);
    const quint64 written = result.cycleResults.at(0).writePhase->bytes;
    QVERIFY(written > 0);
    QVERIFY(written < 8192 * mebibyte);
    QCOMPARE(written % (64 * 1024), quint64(0));
    QCOMPARE(result.details.value(QStringLiteral("totalWriteBytes")), QString::number(written));

    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QVERIFY(testDirectories(location.path()).isEmpty());
    QTRY_VERIFY(readLog().contains(QLatin1String("Stop requested")));
    const QList<StreamResult> taken = manager.streamResults();
    QVERIFY(!taken.isEmpty());
    for (qsizetype i = 0; i < taken.size(); ++i) {
        QCOMPARE(taken.at(i).operation, QStringLiteral("write"));
        QCOMPARE(taken.at(i).phaseId, 0);
        QVERIFY(taken.at(i).throughput >= 0);
        if (i > 0)
            QVERIFY(taken.at(i).seconds > taken.at(i - 1).seconds);
    }
    const int samples = manager.streamResults().size();
    QTest::qWait(200); // no timer may add samples after the stop
    QCOMPARE(manager.streamResults().size(), samples);
}

void tst_PerformanceTestManager::secondStartIsRefused()
{
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder first;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 1, BytesPerCycleOptions::custom,
        4096 * mebibyte, 1, true, location.path(), true, true, first.progressHandler(), first.completionHandler());
    const std::optional<QString> directory = manager.currentTestDirectoryPath();
    Recorder second;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 2, BytesPerCycleOptions::size1GB, 0, 1,
        true, location.path(), true, true, second.progressHandler(), second.completionHandler());
    QCOMPARE(second.completions, 1);
    QVERIFY(!second.result->success);
    QCOMPARE(second.result->errorMessage, std::optional<QString>(QStringLiteral("A test is already running")));
    QVERIFY(second.result->details.isEmpty());
    QVERIFY(manager.isRunning());
    QCOMPARE(manager.currentTestDirectoryPath(), directory);

    manager.stopStreamingTest(NetworkShare(), location.path(), false, std::nullopt, std::nullopt, {});
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
}

void tst_PerformanceTestManager::missingLocationFails()
{
    PerformanceTestManager manager;
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 2, BytesPerCycleOptions::size512MB, 0,
        1, true, QString(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QCOMPARE(recorder.completions, 1);
    QVERIFY(!recorder.result->success);
    QCOMPARE(recorder.result->errorMessage, std::optional<QString>(QStringLiteral("No valid test location provided")));
    QVERIFY(!manager.isRunning());
    QVERIFY(readLog().contains(QLatin1String("[ERROR] No valid test location provided")));
}

void tst_PerformanceTestManager::zeroQueueDepthEndsAsFailure()
{
    QTemporaryDir location;
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 0, BytesPerCycleOptions::custom,
        8 * mebibyte, 2, true, location.path(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 20000);
    QVERIFY(!recorder.result->success);
    QCOMPARE(recorder.result->errorMessage,
        std::optional<QString>(QStringLiteral("No valid file handles created for write test")));
    QVERIFY(recorder.result->cycleResults.isEmpty());
    QCOMPARE(recorder.result->details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Failed"));
    QVERIFY(!manager.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QVERIFY(testDirectories(location.path()).isEmpty());
}

void tst_PerformanceTestManager::emptyLocationUsesMountPathAndVolumesText()
{
    QTemporaryDir mount;
    NetworkShare share;
    share.shareName = QStringLiteral("data");
    share.mountPath = mount.path();
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(share, ThroughputTestOptions::size64KB, 1, BytesPerCycleOptions::custom, 256 * 1024, 1,
        true, QString(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QCOMPARE(QFileInfo(*manager.currentTestDirectoryPath()).path(), mount.path());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 20000);
    QCOMPARE(recorder.result->details.value(QStringLiteral("testPath")), QStringLiteral("/Volumes/data"));
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
}

void tst_PerformanceTestManager::stopWithoutOptionsUsesDefaults()
{
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    std::optional<PerformanceTestResult> result;
    manager.stopStreamingTest(NetworkShare(), QStringLiteral("/nowhere"), false, std::nullopt, std::nullopt,
        [&result](const PerformanceTestResult &value) { result = value; });
    QTRY_VERIFY(result.has_value());
    QCOMPARE(result->details.value(QStringLiteral("chunkSize")), QStringLiteral("1MB"));
    QCOMPARE(result->details.value(QStringLiteral("queueDepth")), QStringLiteral("4"));
    QCOMPARE(result->details.value(QStringLiteral("disableCache")), QStringLiteral("Disabled"));
    QCOMPARE(result->details.value(QStringLiteral("targetCycles")), QStringLiteral("2"));
    QCOMPARE(result->metrics.value(QStringLiteral("readSpeed")), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 5000);
    QCOMPARE(cleanupSpy.at(0).at(1).toBool(), false);
    QVERIFY(readLog().contains(QLatin1String("No test directory path to clean up")));
}

void tst_PerformanceTestManager::writeFailureEndsRunWithFiguresKept()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=4m")))
        QSKIP(qPrintable(*problem));
    const QString mountPoint = volume.mountPoint();

    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    // Cycle 1 fits (2 MiB); cycle 2 writes fresh files and runs out of space.
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size256KB, 2, BytesPerCycleOptions::custom,
        3 * mebibyte, 3, true, mountPoint, true, false, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 30000);
    const PerformanceTestResult &result = *recorder.result;
    QVERIFY(!result.success);
    QCOMPARE(result.errorMessage, std::optional<QString>(QStringLiteral("Write failed: No space left on device")));
    QVERIFY(result.cycleResults.size() >= 1);
    QCOMPARE(result.cycleResults.at(0).writePhase->bytes, 3 * mebibyte);
    const quint64 totalWritten = result.details.value(QStringLiteral("totalWriteBytes")).toULongLong();
    QVERIFY(totalWritten >= 3 * mebibyte);
    QVERIFY(totalWritten <= 4 * mebibyte); // no more than the volume holds: failed chunks are not counted
    QVERIFY(result.metrics.value(QStringLiteral("writeSpeed")) > 0);
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Failed"));
    // Cycle 1's write completed; the failed one never reports itself complete.
    QCOMPARE(recorder.messages.count(QStringLiteral("Completing write phase...")), 1);
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QVERIFY(cleanupSpy.at(0).at(1).toBool());
    QVERIFY(testDirectories(mountPoint).isEmpty());
}

void tst_PerformanceTestManager::destroyedMidRunDoesNotCrashAndRemovesDirectory()
{
    QTemporaryDir location;
    auto manager = std::make_unique<PerformanceTestManager>();
    Recorder recorder;
    manager->startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 3, BytesPerCycleOptions::custom,
        8192 * mebibyte, 2, true, location.path(), true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.messages.isEmpty(), 10000);
    const QString directory = *manager->currentTestDirectoryPath();
    manager.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(directory), 30000);
    QCOMPARE(recorder.completions, 0);
}

void tst_PerformanceTestManager::destroyedByCompletionHandlerStillRemovesDirectory()
{
    QTemporaryDir location;
    auto *manager = new PerformanceTestManager;
    bool delivered = false;
    manager->startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 1, BytesPerCycleOptions::custom,
        256 * 1024, 1, true, location.path(), true, true, {}, [&manager, &delivered](const PerformanceTestResult &) {
            delivered = true;
            delete manager;
            manager = nullptr;
        });
    const QString directory = *manager->currentTestDirectoryPath();
    QTRY_VERIFY_WITH_TIMEOUT(delivered, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(directory), 20000);
}

void tst_PerformanceTestManager::destroyedRightAfterStopStillRemovesDirectory()
{
    QTemporaryDir location;
    auto manager = std::make_unique<PerformanceTestManager>();
    Recorder recorder;
    manager->startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 2, BytesPerCycleOptions::custom,
        8192 * mebibyte, 2, true, location.path(), true, true, recorder.progressHandler(), recorder.completionHandler());
    const QString directory = *manager->currentTestDirectoryPath();
    bool delivered = false;
    manager->stopStreamingTest(NetworkShare(), location.path(), false, std::nullopt, std::nullopt,
        [&delivered](const PerformanceTestResult &) { delivered = true; });
    // Gone before the queued delivery could run.
    manager.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(directory), 20000);
    QVERIFY(!delivered);
}

void tst_PerformanceTestManager::fullVolumeInFirstWritePhase()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=64m")))
        QSKIP(qPrintable(*problem));
    const QString mountPoint = volume.mountPoint();

    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 2, BytesPerCycleOptions::custom,
        256 * mebibyte, 1, true, mountPoint, true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 60000);
    const PerformanceTestResult &result = *recorder.result;
    QVERIFY(!result.success);
    QVERIFY(result.isAutoStop);
    QCOMPARE(result.errorMessage, std::optional<QString>(QStringLiteral("Write failed: No space left on device")));
    QCOMPARE(result.cycleResults.size(), 1);
    QVERIFY(result.cycleResults.at(0).writePhase);
    QVERIFY(!result.cycleResults.at(0).readPhase);
    const quint64 written = result.cycleResults.at(0).writePhase->bytes;
    QVERIFY2(written > 0 && written <= 64 * mebibyte, qPrintable(QString::number(written)));
    QCOMPARE(result.details.value(QStringLiteral("totalWriteBytes")).toULongLong(), written);
    QVERIFY(!result.details.contains(QStringLiteral("totalReadBytes")));
    QCOMPARE(result.details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Failed"));
    // The failed phase never reports itself complete.
    QVERIFY(!recorder.messages.contains(QStringLiteral("Completing write phase...")));
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 20000);
    QVERIFY(cleanupSpy.at(0).at(1).toBool());
    QVERIFY(testDirectories(mountPoint).isEmpty());
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
    QVERIFY(parent.isValid());
    QString location = parent.path();
    if (name == QLatin1String("#long")) {
        while (location.size() < 4000)
            location += QLatin1Char('/') + QString(std::min<qsizetype>(180, 4000 - location.size() - 1), QLatin1Char('d'));
    } else {
        location = parent.filePath(name);
    }
    QVERIFY(QDir().mkpath(location));
    PerformanceTestResult result;
    QVERIFY(runOnce(location, 2 * mebibyte, &result));
    QVERIFY2(result.success, qPrintable(result.errorMessage.value_or(QString())));
    QCOMPARE(result.details.value(QStringLiteral("testPath")), location);
    QCOMPARE(result.cycleResults.size(), 1);
    QCOMPARE(result.cycleResults.at(0).writePhase->bytes, 2 * mebibyte);
    QCOMPARE(result.cycleResults.at(0).readPhase->bytes, 2 * mebibyte);
    QVERIFY(testDirectories(location).isEmpty());
}

void tst_PerformanceTestManager::repeatedRunsGiveBackDescriptorsAndThreads()
{
    QTemporaryDir location;
    QVERIFY(location.isValid());
    PerformanceTestResult result;
    // The first run starts what lives for the whole process (the log, Qt's own threads).
    QVERIFY(runOnce(location.path(), 1 * mebibyte, &result));
    const int descriptorsBefore = openDescriptorCount();
    const int threadsBefore = threadCount();
    QVERIFY(threadsBefore > 0);
    for (int run = 0; run < 10; ++run) {
        QVERIFY(runOnce(location.path(), 1 * mebibyte, &result));
        QVERIFY(result.success);
    }
    QVERIFY(testDirectories(location.path()).isEmpty());
    // Detached workers may still be on their way out right after the last signal.
    QTRY_VERIFY_WITH_TIMEOUT(threadCount() <= threadsBefore, 10000);
    QCOMPARE(openDescriptorCount(), descriptorsBefore);
}

void tst_PerformanceTestManager::unwritableLocationFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only tmpfs") << "ro-tmpfs";
    QTest::newRow("read-only bind mount") << "ro-bind";
    QTest::newRow("folder without write permission") << "chmod";
}

void tst_PerformanceTestManager::unwritableLocationFails()
{
    QFETCH(QString, kind);
    const bool root = ::geteuid() == 0;
    if (kind == QLatin1String("chmod") && root)
        QSKIP("root writes into any folder whatever its permissions");
    if (kind != QLatin1String("chmod") && !root)
        QSKIP("mounting needs root");
    QTemporaryDir base;
    const QString location = base.filePath(QStringLiteral("location"));
    QVERIFY(QDir().mkpath(location));
    QStringList mounted;
    const auto restore = qScopeGuard([&] {
        for (const QString &path : mounted)
            QProcess::execute(QStringLiteral("umount"), {path});
        QFile::setPermissions(location, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (kind == QLatin1String("ro-tmpfs")) {
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", location}), 0);
        mounted.append(location);
    } else if (kind == QLatin1String("ro-bind")) {
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"--bind", location, location}), 0);
        mounted.append(location);
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,bind,ro", location}), 0);
    } else {
        QVERIFY(QFile::setPermissions(location, QFile::ReadOwner | QFile::ExeOwner));
    }

    PerformanceTestManager manager;
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size256KB, 2, BytesPerCycleOptions::custom,
        2 * mebibyte, 1, true, location, true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 10000);
    QVERIFY(!recorder.result->success);
    QCOMPARE(recorder.result->errorMessage, std::optional<QString>(QStringLiteral("Failed to create test directory")));
    QVERIFY(!manager.isRunning());
    QVERIFY(!manager.currentTestDirectoryPath());
    QCOMPARE(QDir(location).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
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
    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size64KB, 2, BytesPerCycleOptions::custom,
        1024 * mebibyte, 2, false, location, true, true, recorder.progressHandler(), recorder.completionHandler());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.messages.isEmpty(), 10000);
    if (removeLocation)
        QVERIFY(QDir(location).removeRecursively());
    else
        QVERIFY(QDir().rename(location, moved));

    // The files written so far stay open; the read phase cannot find them by name.
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 120000);
    QVERIFY(!recorder.result->success);
    QCOMPARE(recorder.result->errorMessage,
        std::optional<QString>(QStringLiteral("No valid file handles created for read test")));
    QVERIFY(recorder.result->cycleResults.at(0).writePhase);
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 30000);
    QCOMPARE(cleanupSpy.at(0).at(1).toBool(), false);
    QVERIFY(!QFileInfo::exists(location));
    if (!removeLocation) {
        TestDirectorySweeper::cleanupTestDirectories(moved);
        QVERIFY(testDirectories(moved).isEmpty());
    }
}

void tst_PerformanceTestManager::stopReturnsWhileFileSystemIsFrozen()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    const QString mountPoint = volume.mountPoint();

    PerformanceTestManager manager;
    QSignalSpy cleanupSpy(&manager, &PerformanceTestManager::testDirectoryCleanupFinished);
    Recorder recorder;
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 2, BytesPerCycleOptions::custom,
        8192 * mebibyte, 1, true, mountPoint, true, true, recorder.progressHandler(), recorder.completionHandler());
    const QString directory = *manager.currentTestDirectoryPath();
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.messages.isEmpty(), 10000);
    // Every write from here on blocks in the kernel until the volume is thawed.
    QVERIFY(volume.freeze());

    // The stop waits at most its ten seconds for the stuck writers, then hands over the result.
    manager.stopStreamingTest(NetworkShare(), mountPoint, false, std::nullopt, std::nullopt,
        recorder.completionHandler());
    QVERIFY(!manager.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 5000);
    QVERIFY(recorder.result->success);
    QCOMPARE(recorder.result->details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Manually stopped"));
    QCOMPARE(cleanupSpy.count(), 0);

    // Thawed, the writers see the stop and the directory goes.
    QVERIFY(volume.thaw());
    QTRY_COMPARE_WITH_TIMEOUT(cleanupSpy.count(), 1, 60000);
    QVERIFY(cleanupSpy.at(0).at(1).toBool());
    QVERIFY(!QFileInfo::exists(directory));
}

void tst_PerformanceTestManager::startGivesUpOnAFrozenLocation()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountExt4(qint64(256 * mebibyte)))
        QSKIP(qPrintable(*problem));
    QVERIFY(volume.freeze());

    PerformanceTestManager manager;
    Recorder recorder;
    QElapsedTimer timer;
    timer.start();
    manager.startStreamingTest(NetworkShare(), ThroughputTestOptions::size1MB, 2, BytesPerCycleOptions::custom,
        16 * mebibyte, 1, true, volume.mountPoint(), true, true, recorder.progressHandler(), recorder.completionHandler());
    const qint64 blockedMs = timer.elapsed();

    // The start waits its bound for the directory, not for the volume.
    QVERIFY2(blockedMs >= (PerformanceTestManager::createWaitSeconds - 1) * 1000, qPrintable(QString::number(blockedMs)));
    QVERIFY2(blockedMs < (PerformanceTestManager::createWaitSeconds + 15) * 1000, qPrintable(QString::number(blockedMs)));
    QVERIFY(!manager.isRunning());
    QVERIFY(!manager.currentTestDirectoryPath());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completions, 1, 5000);
    QVERIFY(!recorder.result->success);
    QCOMPARE(recorder.result->errorMessage, std::optional<QString>(QStringLiteral("Failed to create test directory")));

    // Thawed, the abandoned creation finishes late; a sweep removes what it made.
    QVERIFY(volume.thaw());
    QVERIFY(DetachedThreads::waitForAll(30));
    TestDirectorySweeper::cleanupTestDirectories(volume.mountPoint());
    QVERIFY(testDirectories(volume.mountPoint()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_PerformanceTestManager)
#include "tst_performancetestmanager.moc"
