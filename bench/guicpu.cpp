// Runs one local test of 4 GB per cycle on the test screen, shown offscreen
// and painted as the window paints it, and prints the CPU time the whole
// process and its main thread used over the run, in % of one core, plus the
// main thread's share while the screen only waits. bench/gui-cpu runs the
// same test with trevlamark-cli and prints the difference.

#include "engine/testrun.h"
#include "settings/preferencesmanager.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/gaugepanel.h"
#include "ui/testscreen/runcheckpanel.h"
#include "ui/testscreen/startstopbutton.h"
#include "ui/testscreen/testscreen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPixmap>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

using namespace trevlamark;

namespace {

constexpr int idleSeconds = 5;
constexpr int runLimitSeconds = 900;

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of each live thread of this process since it began, by name.
QMap<QString, double> threadCpuByName()
{
    QMap<QString, double> seconds;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        // The name is in parentheses and may hold spaces; the fields after it are plain.
        const qsizetype open = line.indexOf(QLatin1Char('('));
        const qsizetype close = line.lastIndexOf(QLatin1Char(')'));
        const QStringList fields = line.mid(close + 2).split(QLatin1Char(' '));
        if (open < 0 || close < open || fields.size() < 13)
            continue;
        // utime and stime are the 14th and 15th fields, the 12th and 13th after the name.
        seconds[line.mid(open + 1, close - open - 1)] += (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
    }
    return seconds;
}

// Counts the paint events of every widget, by class and object name, and
// the layouts the screen asks for: what a run makes the window draw again.
class PaintCounter : public QObject
{
public:
    QMap<QString, int> paints;
    bool counting = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Each update request of the window is one pass over its dirty widgets: a frame.
        if (counting && event->type() == QEvent::UpdateRequest && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            paints[QStringLiteral("frames")] += 1;
        if (counting && (event->type() == QEvent::Paint || event->type() == QEvent::LayoutRequest)) {
            QString name = watched->objectName();
            // A widget without a name is known by the one that holds it.
            if (name.isEmpty() && watched->parent())
                name = QStringLiteral("in ") + QString::fromLatin1(watched->parent()->metaObject()->className());
            paints[QString::fromLatin1(event->type() == QEvent::Paint ? "paint " : "layout ")
                   + QString::fromLatin1(watched->metaObject()->className())
                   + (name.isEmpty() ? QString() : QStringLiteral(" ") + name)] += 1;
        }
        return false;
    }
};

// Runs the event loop until `done` holds or the limit passes; false on the
// limit. It looks five times a second, so that the looking costs the main
// thread next to nothing.
bool spinUntil(const std::function<bool()> &done, int limitSeconds)
{
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(200);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || timer.elapsed() > qint64(limitSeconds) * 1000)
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_guicpu LOCATION\n");
        return 2;
    }
    const QString location = QString::fromLocal8Bit(argv[1]);
    PreferencesManager preferences;
    TestScreen screen(TestParameters{location, false, std::nullopt, std::nullopt, nullptr}, &preferences);
    screen.resize(600, 750);
    screen.show();
    screen.request()->update([](TestRequest &request) {
        request.bytesPerCycle = BytesPerCycleOptions::size4GB;
        request.totalCycles = 1;
    });
    const TestRequest &request = screen.request()->value();
    std::printf("request: %s per cycle, queue depth %d, chunk %s, sampling %.2f s\n",
                qPrintable(displayText(request.bytesPerCycle)), request.queueDepth,
                qPrintable(displayText(request.chunkSize)), request.samplingRateSeconds);
    if (!spinUntil([&] { return screen.checkPanel()->allowsStart(); }, 60)) {
        std::fprintf(stderr, "the check before the run did not allow a start\n");
        return 1;
    }

    // The screen shown and waiting: its timers and repaints alone.
    QElapsedTimer wall;
    wall.start();
    double threadStart = threadCpuSeconds();
    spinUntil([&] { return wall.elapsed() >= idleSeconds * 1000; }, idleSeconds + 5);
    const double idleMainPercent = (threadCpuSeconds() - threadStart) / (double(wall.nsecsElapsed()) / 1e9) * 100;

    bool finished = false;
    bool success = false;
    QObject::connect(&screen, &TestScreen::runFinished, &screen,
                     [&](const TestRequest &, const PerformanceTestResult &result) {
                         finished = true;
                         success = result.success;
                     });
    PaintCounter counter;
    app.installEventFilter(&counter);
    counter.counting = true;
    wall.restart();
    threadStart = threadCpuSeconds();
    const double processStart = processCpuSeconds();
    screen.gaugePanel()->startStopButton()->click();
    bool removed = false;
    if (TestRun *run = screen.testRun())
        QObject::connect(run, &TestRun::cleanupFinished, &screen, [&] { removed = true; });
    // With TREVLAMARK_SCREENSHOT_DIR set, the screen is also pictured 3 s into the run and at its end.
    const QString pictures = qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR");
    if (!pictures.isEmpty())
        QTimer::singleShot(3000, &screen, [&] { screen.grab().save(pictures + QStringLiteral("/guicpu-running.png")); });
    if (!spinUntil([&] { return finished; }, runLimitSeconds)) {
        std::fprintf(stderr, "the run did not finish within %d s\n", runLimitSeconds);
        return 1;
    }
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const QMap<QString, double> byThread = threadCpuByName();
    counter.counting = false;
    const double mainPercent = (threadCpuSeconds() - threadStart) / seconds * 100;
    const double processPercent = (processCpuSeconds() - processStart) / seconds * 100;
    // Let the run remove its directory before the screen goes.
    spinUntil([&] { return removed; }, 120);
    if (!pictures.isEmpty())
        screen.grab().save(pictures + QStringLiteral("/guicpu-finished.png"));

    for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
        std::printf("%s: %.1f a second\n", qPrintable(it.key()), it.value() / seconds);
    for (auto it = byThread.cbegin(); it != byThread.cend(); ++it)
        std::printf("thread %s: %.2f s of CPU since the program began\n", qPrintable(it.key()), it.value());
    std::printf("gui_run_seconds=%.1f\n", seconds);
    std::printf("gui_run_success=%d\n", success ? 1 : 0);
    std::printf("gui_idle_main_thread_percent=%.2f\n", idleMainPercent);
    std::printf("gui_main_thread_percent=%.2f\n", mainPercent);
    std::printf("gui_process_percent=%.2f\n", processPercent);
    return success ? 0 : 1;
}
