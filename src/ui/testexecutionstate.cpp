#include "ui/testexecutionstate.h"

#include "ui/statesetter.h"

#include <QTimer>

namespace trevlamark {

TestExecutionState::TestExecutionState(QObject *parent)
    : QObject(parent)
{
}

TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, bool, setIsRunningTest, m_isRunningTest, isRunningTestChanged)
TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, bool, setIsStoppingTest, m_isStoppingTest, isStoppingTestChanged)
TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, bool, setIsPostTestView, m_isPostTestView, isPostTestViewChanged)
TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, double, setTestRunTime, m_testRunTime, testRunTimeChanged)
TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, const QDateTime &, setTestStartTime, m_testStartTime, testStartTimeChanged)
TREVLAMARK_NOTIFYING_SETTER(TestExecutionState, const QDateTime &, setFinalReferenceTime, m_finalReferenceTime,
                            finalReferenceTimeChanged)

void TestExecutionState::startRunTimeTimer()
{
    stopRunTimeTimer();
    m_runTimeTimer = new QTimer(this);
    m_runTimeTimer->setInterval(1000);
    connect(m_runTimeTimer, &QTimer::timeout, this, [this] { setTestRunTime(m_testRunTime + 1.0); });
    m_runTimeTimer->start();
}

void TestExecutionState::stopRunTimeTimer()
{
    delete m_runTimeTimer;
    m_runTimeTimer = nullptr;
}

} // namespace trevlamark
