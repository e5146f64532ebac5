#pragma once
// Run state of the test screen and the one-second run-time timer.

#include <QDateTime>
#include <QObject>

class QTimer;

namespace trevlamark {

class TestExecutionState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRunningTest READ isRunningTest WRITE setIsRunningTest NOTIFY isRunningTestChanged)
    Q_PROPERTY(bool isStoppingTest READ isStoppingTest WRITE setIsStoppingTest NOTIFY isStoppingTestChanged)
    Q_PROPERTY(bool isPostTestView READ isPostTestView WRITE setIsPostTestView NOTIFY isPostTestViewChanged)
    Q_PROPERTY(double testRunTime READ testRunTime WRITE setTestRunTime NOTIFY testRunTimeChanged)
    Q_PROPERTY(QDateTime testStartTime READ testStartTime WRITE setTestStartTime NOTIFY testStartTimeChanged)
    // Invalid while no test has finished yet.
    Q_PROPERTY(QDateTime finalReferenceTime READ finalReferenceTime WRITE setFinalReferenceTime NOTIFY finalReferenceTimeChanged)

public:
    explicit TestExecutionState(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TestExecutionState)

    bool isRunningTest() const { return m_isRunningTest; }
    bool isStoppingTest() const { return m_isStoppingTest; }
    bool isPostTestView() const { return m_isPostTestView; }
    double testRunTime() const { return m_testRunTime; }
    QDateTime testStartTime() const { return m_testStartTime; }
    QDateTime finalReferenceTime() const { return m_finalReferenceTime; }

    void setIsRunningTest(bool value);
    void setIsStoppingTest(bool value);
    void setIsPostTestView(bool value);
    void setTestRunTime(double value);
    void setTestStartTime(const QDateTime &value);
    void setFinalReferenceTime(const QDateTime &value);

    // Replaces any running timer with a new one adding 1.0 s every second.
    void startRunTimeTimer();
    void stopRunTimeTimer();
    bool hasRunTimeTimer() const { return m_runTimeTimer != nullptr; }

signals:
    void isRunningTestChanged();
    void isStoppingTestChanged();
    void isPostTestViewChanged();
    void testRunTimeChanged();
    void testStartTimeChanged();
    void finalReferenceTimeChanged();

private:
    bool m_isRunningTest = false;
    bool m_isStoppingTest = false;
    bool m_isPostTestView = false;
    double m_testRunTime = 0;
    QDateTime m_testStartTime = QDateTime::currentDateTime();
    QDateTime m_finalReferenceTime;
    QTimer *m_runTimeTimer = nullptr;
};

} // namespace trevlamark
