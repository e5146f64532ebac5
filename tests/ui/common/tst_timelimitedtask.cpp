// Work with a time limit on real threads: the late answer after a timeout,
// and the older answer after a newer call, never reach the owner.

#include "platform/detachedthreads.h"
#include "ui/common/timelimitedtask.h"

#include <QCoreApplication>
#include <QTest>

#include <future>

using namespace trevlamark;

class tst_TimeLimitedTask : public QObject
{
    Q_OBJECT

private slots:
    void lateOrOlderAnswersAreDropped_data()
    {
        QTest::addColumn<int>("limitMilliseconds");
        QTest::addColumn<bool>("askAgain");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("timeouts");
        QTest::newRow("late answer after the timeout") << 50 << false << QList<int>{} << 1;
        QTest::newRow("older answer after a newer call") << 600000 << true << QList<int>{2} << 0;
    }

    void lateOrOlderAnswersAreDropped()
    {
        QFETCH(int, limitMilliseconds);
        QFETCH(bool, askAgain);
        QFETCH(QList<int>, answers);
        QFETCH(int, timeouts);
        int timedOut = 0;
        QList<int> answered;
        TimeLimitedTask task(std::chrono::milliseconds(limitMilliseconds), [&timedOut] { ++timedOut; }, nullptr);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        task.run<int>([released] { released.wait(); return 1; }, [&answered](int answer) { answered.append(answer); });
        QVERIFY(task.isWaiting());
        if (askAgain)
            task.run<int>([] { return 2; }, [&answered](int answer) { answered.append(answer); });
        QTRY_VERIFY(!task.isWaiting());
        release.set_value();
        // Once the blocked thread has ended, its answer is posted; deliver it.
        QVERIFY(DetachedThreads::waitForAll(10));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(answered, answers);
        QCOMPARE(timedOut, timeouts);
    }
};

QTEST_MAIN(tst_TimeLimitedTask)
#include "tst_timelimitedtask.moc"
