#include "ui/testexecutionstate.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace trevlamark;

class tst_TestExecutionState : public QObject
{
    Q_OBJECT

private slots:
    void initialValues()
    {
        const QDateTime before = QDateTime::currentDateTime();
        TestExecutionState state;
        QVERIFY(!state.isRunningTest());
        QVERIFY(!state.isStoppingTest());
        QVERIFY(!state.isPostTestView());
        QCOMPARE(state.testRunTime(), 0.0);
        QVERIFY(state.testStartTime() >= before);
        QVERIFY(!state.finalReferenceTime().isValid());
    }

    void runTimeTimerAddsWholeSeconds()
    {
        TestExecutionState state;
        state.setTestRunTime(41.0);
        QSignalSpy spy(&state, &TestExecutionState::testRunTimeChanged);
        state.startRunTimeTimer();
        QVERIFY(spy.wait(3000));
        QCOMPARE(state.testRunTime(), 42.0);
        state.stopRunTimeTimer();
        QVERIFY(!state.hasRunTimeTimer());
    }

    void restartingKeepsOneTimer()
    {
        TestExecutionState state;
        state.startRunTimeTimer();
        state.startRunTimeTimer();
        QCOMPARE(state.findChildren<QTimer *>().size(), 1);
    }

    void equalAssignmentStillNotifies()
    {
        TestExecutionState state;
        QSignalSpy spy(&state, &TestExecutionState::isPostTestViewChanged);
        state.setIsPostTestView(false);
        QCOMPARE(spy.count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_TestExecutionState)
#include "tst_testexecutionstate.moc"
