// Drives one engine run (one cycle, cache bypass on) and prints its figures
// in a form bench/compare-fio reads: "<phase> <MiB/s> <bytes> <cpu seconds>".

#include "app/console.h"
#include "engine/performancetestmanager.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace trevlamark;

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: enginebench LOCATION MIB_PER_CYCLE QUEUE_DEPTH CHUNK_BYTES\n");
        return 2;
    }
    Console::setTarget(Console::Target::Discard);
    const QString location = QString::fromLocal8Bit(argv[1]);
    const quint64 bytesPerCycle = std::strtoull(argv[2], nullptr, 10) << 20;
    const int queueDepth = std::atoi(argv[3]);
    const std::optional<ThroughputTestOptions> chunk = throughputTestOptionFromRaw(std::atoll(argv[4]));
    if (!chunk) {
        std::fprintf(stderr, "unknown chunk size\n");
        return 2;
    }

    PerformanceTestManager manager;
    double cpuAtStart = processCpuSeconds();
    double cpuAfterWrite = cpuAtStart;
    int exitCode = 1;
    const auto progress = [&cpuAfterWrite](double, const QString &message, const QList<StreamResult> &,
                              const QList<TimelineMarker> &, const QString &, int, int) {
        if (message == QLatin1String("Completing write phase..."))
            cpuAfterWrite = processCpuSeconds();
    };
    const auto completion = [&](const PerformanceTestResult &result) {
        const double cpuAtEnd = processCpuSeconds();
        if (!result.success || result.cycleResults.isEmpty()) {
            std::fprintf(stderr, "run failed: %s\n", qPrintable(result.errorMessage.value_or(QString())));
            return;
        }
        const CycleResult &cycle = result.cycleResults.first();
        if (cycle.writePhase)
            std::printf("write %.1f %llu %.3f\n", cycle.writePhase->throughput, cycle.writePhase->bytes,
                cpuAfterWrite - cpuAtStart);
        if (cycle.readPhase)
            std::printf("read %.1f %llu %.3f\n", cycle.readPhase->throughput, cycle.readPhase->bytes,
                cpuAtEnd - cpuAfterWrite);
        exitCode = 0;
    };
    QObject::connect(&manager, &PerformanceTestManager::testDirectoryCleanupFinished, &app,
        [&app] { app.quit(); });
    cpuAtStart = processCpuSeconds();
    manager.startStreamingTest(NetworkShare(), *chunk, queueDepth, BytesPerCycleOptions::custom, bytesPerCycle, 1,
        true, location, true, true, progress, completion);
    app.exec();
    return exitCode;
}
