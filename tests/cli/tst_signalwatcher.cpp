#include "cli/signalwatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace trevlamark;

class tst_SignalWatcher : public QObject
{
    Q_OBJECT

private slots:
    void deliversSignalsInTheEventLoop_data();
    void deliversSignalsInTheEventLoop();
    void restoresPreviousHandler();
};

void tst_SignalWatcher::deliversSignalsInTheEventLoop_data()
{
    QTest::addColumn<QList<int>>("raised");
    QTest::newRow("interrupt") << QList<int>{SIGINT};
    QTest::newRow("terminate") << QList<int>{SIGTERM};
    QTest::newRow("two in a row, in order") << QList<int>{SIGINT, SIGTERM};
}

void tst_SignalWatcher::deliversSignalsInTheEventLoop()
{
    QFETCH(QList<int>, raised);
    SignalWatcher watcher({SIGINT, SIGTERM});
    QSignalSpy spy(&watcher, &SignalWatcher::signalReceived);
    for (int signalNumber : raised)
        QCOMPARE(::raise(signalNumber), 0);
    // Nothing is emitted from inside the handler, only from the event loop.
    QCOMPARE(spy.size(), 0);
    QTRY_COMPARE(spy.size(), raised.size());
    for (qsizetype i = 0; i < raised.size(); ++i)
        QCOMPARE(spy.at(i).at(0).toInt(), raised.at(i));
}

namespace {
volatile sig_atomic_t g_previousHandlerCalls = 0;
void countingHandler(int)
{
    g_previousHandlerCalls = g_previousHandlerCalls + 1;
}
} // namespace

void tst_SignalWatcher::restoresPreviousHandler()
{
    struct sigaction counting = {};
    counting.sa_handler = countingHandler;
    sigemptyset(&counting.sa_mask);
    struct sigaction original = {};
    QCOMPARE(::sigaction(SIGTERM, &counting, &original), 0);
    {
        SignalWatcher watcher({SIGTERM});
        QSignalSpy spy(&watcher, &SignalWatcher::signalReceived);
        QCOMPARE(::raise(SIGTERM), 0);
        QVERIFY(spy.wait());
        QCOMPARE(g_previousHandlerCalls, 0);
    }
    QCOMPARE(::raise(SIGTERM), 0);
    QCOMPARE(g_previousHandlerCalls, 1);
    QCOMPARE(::sigaction(SIGTERM, &original, nullptr), 0);
}

QTEST_GUILESS_MAIN(tst_SignalWatcher)
#include "tst_signalwatcher.moc"
