// Fifty small runs back to back through one engine per run in one process:
// prints open descriptors, threads and resident memory after every ten runs,
// and exits non-zero when descriptors or threads grew or a run failed.

#include "platform/logsink.h"
#include "engine/localtestrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace trevlamark;

namespace {

int descriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Runs one test and waits until its directory is gone; false on any failure.
bool runOnce(const QString &location, quint64 bytesPerCycle)
{
    LocalTestRun run;
    QEventLoop loop;
    bool succeeded = false;
    bool completed = false;
    bool removed = false;
    QObject::connect(&run, &TestRun::finished, &loop, [&](const PerformanceTestResult &result) {
        completed = true;
        succeeded = result.success;
    });
    QObject::connect(&run, &TestRun::cleanupFinished, &loop, [&](const QString &, bool ok) {
        removed = ok;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    run.start(TestRequest{.locationPath = location, .chunkSize = ThroughputTestOptions::size256KB, .queueDepth = 2,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = bytesPerCycle});
    loop.exec();
    return completed && succeeded && removed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The engine's diagnostic lines would bury the figures.
    LogSink::setConsoleTarget(ConsoleTarget::Discard);
    const QString location = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir fallback;
    const QString folder = location.isEmpty() ? fallback.path() : location;
    constexpr int runs = 50;
    constexpr quint64 bytesPerCycle = 8 * 1048576;

    if (!runOnce(folder, bytesPerCycle)) {
        std::fprintf(stderr, "soak: the warm-up run failed\n");
        return 1;
    }
    const int descriptorsBefore = descriptorCount();
    const qint64 threadsBefore = statusField("Threads");
    const qint64 rssBefore = statusField("VmRSS");
    std::printf("engine soak: %d runs of %llu MiB in %s\n", runs, bytesPerCycle >> 20, qPrintable(folder));
    std::printf("%6s %12s %8s %10s %10s\n", "runs", "descriptors", "threads", "VmRSS kB", "ms/run");
    std::printf("%6d %12d %8lld %10lld %10s\n", 0, descriptorsBefore, threadsBefore, rssBefore, "-");
    int failures = 0;
    QElapsedTimer clock;
    clock.start();
    for (int run = 1; run <= runs; ++run) {
        if (!runOnce(folder, bytesPerCycle))
            ++failures;
        if (run % 10 == 0) {
            // Detached workers may still be leaving; give them a moment.
            QElapsedTimer settle;
            settle.start();
            while (statusField("Threads") > threadsBefore && settle.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            std::printf("%6d %12d %8lld %10lld %10.1f\n", run, descriptorCount(), statusField("Threads"),
                statusField("VmRSS"), double(clock.restart()) / 10.0);
            std::fflush(stdout);
        }
    }
    const int descriptorGrowth = descriptorCount() - descriptorsBefore;
    const qint64 threadGrowth = statusField("Threads") - threadsBefore;
    std::printf("growth: descriptors %+d, threads %+lld, VmRSS %+lld kB; failed runs: %d\n", descriptorGrowth,
        threadGrowth, statusField("VmRSS") - rssBefore, failures);
    const int leftovers = int(QDir(folder).entryList({QStringLiteral("Trevlamark_Test_Data*")},
        QDir::AllEntries | QDir::NoDotAndDotDot).size());
    std::printf("leftover test directories: %d\n", leftovers);
    return failures == 0 && descriptorGrowth <= 0 && threadGrowth <= 0 && leftovers == 0 ? 0 : 1;
}
