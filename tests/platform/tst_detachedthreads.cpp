// Threads nobody joins, and the program's end while they still run: real
// threads, and real child processes for the exit paths (this executable run
// again in one of the modes below).

#include "platform/logcategories.h"
#include "platform/logsink.h"
#include "settings/logswitches.h"
#include "platform/detachedthreads.h"
#include "platform/preferencestore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <thread>

using namespace trevlamark;

namespace {

const char *const childModeVariable = "TST_DETACHEDTHREADS_CHILD";

struct ChildRun
{
    bool finishedNormally = false;
    int exitCode = -1;
    QByteArray output;
};

ChildRun runChild(const QByteArray &mode)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(childModeVariable), QString::fromLatin1(mode));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    ChildRun run;
    if (!child.waitForFinished(60000))
        return run;
    run.finishedNormally = child.exitStatus() == QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.output = child.readAll();
    return run;
}

} // namespace

class tst_DetachedThreads : public QObject
{
    Q_OBJECT

private slots:
    void waitEndsWhenTheLastThreadIsDone()
    {
        QVERIFY(DetachedThreads::waitForAll(5));
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        auto captured = std::make_shared<int>(1);
        const std::weak_ptr<int> watch = captured;
        DetachedThreads::start([released, captured] { released.wait(); });
        DetachedThreads::start([] {});
        captured.reset();

        QVERIFY(!DetachedThreads::waitForAll(0.05));
        QVERIFY(!watch.expired());
        release.set_value();
        QVERIFY(DetachedThreads::waitForAll(10));
        // What a thread captured is gone by the time it counts as done.
        QVERIFY(watch.expired());
    }

    void runWithinGivesTheResultOrNothingAfterItsLimit()
    {
        QCOMPARE(DetachedThreads::runWithin<int>(10, [] { return 7; }), std::optional<int>(7));

        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        QElapsedTimer timer;
        timer.start();
        const std::optional<QString> late = DetachedThreads::runWithin<QString>(0.2, [released] {
            released.wait();
            return QStringLiteral("too late");
        });
        QVERIFY(!late);
        QVERIFY(timer.elapsed() >= 150);
        // The work goes on alone and ends once it can; its result goes nowhere.
        release.set_value();
        QVERIFY(DetachedThreads::waitForAll(10));
    }

    void logThreadRunningThroughExitFinishesFirst()
    {
        // A thread still logging while the application object goes away used
        // to crash the program inside Qt's exit handlers.
        for (int round = 0; round < 3; ++round) {
            const ChildRun run = runChild("log-through-exit");
            QVERIFY2(run.finishedNormally && run.exitCode == 0, run.output.constData());
            QFile log(LogSink::filePath());
            QVERIFY(log.open(QIODevice::ReadOnly));
            QVERIFY2(log.readAll().endsWith("[WARNING] last line\n"), "the thread was cut short");
        }
    }

    void hungThreadEndsTheProcessAtOnceWithItsCode()
    {
        QElapsedTimer timer;
        timer.start();
        const ChildRun run = runChild("hung-thread");
        QVERIFY(run.finishedNormally);
        QCOMPARE(run.exitCode, 3);
        // Buffered output written before the end is not lost.
        QCOMPARE(run.output, QByteArray("still running: 1\n"));
        QVERIFY2(timer.elapsed() < 30000, "the exit waited for a thread that never ends");
    }
};

namespace {

int childLogThroughExit(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    PreferenceStore::setValue(LogSwitches::key(QtWarningMsg), true);
    LogSwitches::apply();
    QFile::remove(LogSink::filePath());
    std::atomic<bool> started{false};
    DetachedThreads::start([&started] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        const QString line = QStringLiteral("a line from a thread that outlives the application");
        while (std::chrono::steady_clock::now() < end) {
            qCWarning(lcPlatform).noquote() << line;
            started.store(true);
        }
        qCWarning(lcPlatform).noquote() << QStringLiteral("last line");
    });
    while (!started.load())
        std::this_thread::yield();
    return 0;
}

int childHungThread(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    DetachedThreads::start([] {
        std::promise<void> never;
        never.get_future().wait();
    });
    std::printf("still running: %d\n", DetachedThreads::waitForAll(0.05) ? 0 : 1);
    return DetachedThreads::finishProcess(3);
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = qgetenv(childModeVariable);
    if (mode == "log-through-exit")
        return DetachedThreads::finishProcess(childLogThroughExit(argc, argv));
    if (mode == "hung-thread")
        return childHungThread(argc, argv);
    QCoreApplication application(argc, argv);
    tst_DetachedThreads test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_detachedthreads.moc"
