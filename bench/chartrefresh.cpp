// Times one graph refresh plus paint of the whole test screen, offscreen,
// while a test runs: the engine hands over its grown sample list, the chart
// feed makes the new points, the traffic feed's tick hands the graphs their
// samples, and the screen is painted. Measured at
// 9,000 and 36,000 samples (a quarter hour and an hour at ten a second), in the
// 60 s window and zoomed out to the whole hour. The last line is the median of
// the slower zoom at 36,000 samples. Times are the main thread's CPU time, so
// that other work on a busy machine does not count; wall-clock medians follow.

#include "settings/preferencesmanager.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/testscreen/chartfeed.h"
#include "ui/testscreen/runstate.h"
#include "ui/testscreen/testscreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace trevlamark;

namespace {

constexpr int samplesPerPhase = 3000;
constexpr int rounds = 20;

StreamResult sample(int index, const QDateTime &time)
{
    StreamResult result;
    result.timestamp = time;
    result.phaseId = index / samplesPerPhase;
    result.operation = result.phaseId % 2 ? QStringLiteral("read") : QStringLiteral("write");
    // A few empty samples open each phase, as when files are being created.
    result.throughput = (index % samplesPerPhase) < 5 ? 0 : 300 + 40 * std::sin(index / 7.0);
    result.seconds = index / 10.0;
    return result;
}

QList<NetworkTrafficSample> traffic(const QDateTime &now, double windowSeconds)
{
    QList<NetworkTrafficSample> samples;
    const int count = static_cast<int>(windowSeconds * 10);
    for (int i = 0; i < count; ++i) {
        NetworkTrafficSample s;
        s.timestamp = now.addMSecs(static_cast<qint64>(i - count + 1) * 100);
        s.throughputOut = 310 + 20 * std::sin(i / 3.0);
        s.throughputIn = 5;
        samples.append(s);
    }
    return samples;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

struct Timing
{
    double cpuMs = 0;
    double wallMs = 0;
};

// Median milliseconds of one tick at the given length and window.
Timing measure(int sampleCount, double windowSeconds)
{
    QTemporaryDir location;
    PreferencesManager preferences;
    TestScreen screen(TestParameters{location.path(), false, std::nullopt, std::nullopt, nullptr}, &preferences);
    screen.resize(600, 750);
    screen.graphs()->setTimeWindow(windowSeconds);
    screen.progress()->setIsRunningTest(true);
    ChartFeed *feed = screen.chartFeed();

    QDateTime now = QDateTime::currentDateTime();
    QList<StreamResult> results;
    results.reserve(sampleCount + rounds + 1);
    for (int i = 0; i < sampleCount; ++i)
        results.append(sample(i, now.addMSecs(-static_cast<qint64>(sampleCount - i) * 100)));
    feed->setStreamResults(results);
    const QList<NetworkTrafficSample> samples = traffic(now, std::min(windowSeconds, 600.0));

    QImage canvas(screen.size(), QImage::Format_ARGB32_Premultiplied);
    QList<double> cpuTimes;
    QList<double> wallTimes;
    QElapsedTimer timer;
    for (int round = 0; round <= rounds; ++round) {
        results.append(sample(sampleCount + round, QDateTime::currentDateTime()));
        timer.start();
        const double cpuStart = threadCpuMs();
        feed->setStreamResults(results);
        // What the traffic feed's tick does: the graphs' right edge is "now".
        screen.graphs()->setNetworkChartData(samples);
        QPainter painter(&canvas);
        screen.render(&painter);
        painter.end();
        // The first round lays the screen out and fills caches; it is not a steady tick.
        if (round > 0) {
            cpuTimes.append(threadCpuMs() - cpuStart);
            wallTimes.append(timer.nsecsElapsed() / 1e6);
        }
    }
    return {median(cpuTimes), median(wallTimes)};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    double slowest36000 = 0;
    for (int count : {9000, 36000}) {
        for (double window : {60.0, 3600.0}) {
            const Timing timing = measure(count, window);
            std::printf("refresh_ms_%d_window%d=%.2f (wall %.2f)\n", count, static_cast<int>(window), timing.cpuMs,
                        timing.wallMs);
            if (count == 36000)
                slowest36000 = std::max(slowest36000, timing.cpuMs);
        }
    }
    std::printf("refresh_ms_36000=%.2f\n", slowest36000);
    return 0;
}
