#pragma once
// Where the test screen's run is: running, stopping or showing its end, the
// run time, the progress message and bytes, the gauge values and the result.
// Setters notify only on a real change.

#include "engine/performancetestresult.h"

#include <QDateTime>
#include <QObject>
#include <optional>

class QTimer;

namespace trevlamark {

class RunState : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunState)
    Q_PROPERTY(bool isRunningTest READ isRunningTest WRITE setIsRunningTest NOTIFY isRunningTestChanged)
    Q_PROPERTY(bool isStoppingTest READ isStoppingTest WRITE setIsStoppingTest NOTIFY isStoppingTestChanged)
    Q_PROPERTY(bool isPostTestView READ isPostTestView WRITE setIsPostTestView NOTIFY isPostTestViewChanged)
    Q_PROPERTY(double testRunTime READ testRunTime WRITE setTestRunTime NOTIFY testRunTimeChanged)
    // Invalid while no test has finished yet.
    Q_PROPERTY(QDateTime finalReferenceTime READ finalReferenceTime WRITE setFinalReferenceTime NOTIFY finalReferenceTimeChanged)
    Q_PROPERTY(QString progressMessage READ progressMessage WRITE setProgressMessage NOTIFY progressMessageChanged)
    Q_PROPERTY(quint64 totalWriteBytesProcessed READ totalWriteBytesProcessed WRITE setTotalWriteBytesProcessed NOTIFY overallProgressChanged)
    Q_PROPERTY(quint64 totalReadBytesProcessed READ totalReadBytesProcessed WRITE setTotalReadBytesProcessed NOTIFY overallProgressChanged)
    Q_PROPERTY(quint64 progressTargetBytes READ progressTargetBytes WRITE setProgressTargetBytes NOTIFY overallProgressChanged)
    Q_PROPERTY(double overallProgress READ overallProgress NOTIFY overallProgressChanged)
    Q_PROPERTY(double readValue READ readValue WRITE setReadValue NOTIFY readValueChanged)
    Q_PROPERTY(double writeValue READ writeValue WRITE setWriteValue NOTIFY writeValueChanged)

public:
    explicit RunState(QObject *parent = nullptr);

    // The end of a run in words: "Completed", "Stopped" or "Failed: <error>".
    static QString endStateText(const PerformanceTestResult &result);

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
    void setTestStartTime(const QDateTime &value) { m_testStartTime = value; }
    void setFinalReferenceTime(const QDateTime &value);
    // Replaces any running timer with a new one adding 1.0 s every second.
    void startRunTimeTimer();
    void stopRunTimeTimer();

    QString progressMessage() const { return m_progressMessage; }
    quint64 totalWriteBytesProcessed() const { return m_totalWriteBytesProcessed; }
    quint64 totalReadBytesProcessed() const { return m_totalReadBytesProcessed; }
    // The bytes the progress bar counts towards, fixed at each start.
    quint64 progressTargetBytes() const { return m_progressTargetBytes; }
    // Processed bytes over the target, 0 without a target, never above 1.
    double overallProgress() const;
    double readValue() const { return m_readValue; }
    double writeValue() const { return m_writeValue; }
    void setProgressMessage(const QString &value);
    void setTotalWriteBytesProcessed(quint64 value);
    void setTotalReadBytesProcessed(quint64 value);
    void setProgressTargetBytes(quint64 value);
    void setReadValue(double value);
    void setWriteValue(double value);
    // Zeroes the last test's figures except the target, set afresh per start.
    void resetProgress();

    const std::optional<PerformanceTestResult> &latestResult() const { return m_latestResult; }
    void setLatestResult(const std::optional<PerformanceTestResult> &value);

signals:
    void isRunningTestChanged();
    void isStoppingTestChanged();
    void isPostTestViewChanged();
    void testRunTimeChanged();
    void finalReferenceTimeChanged();
    void progressMessageChanged();
    void overallProgressChanged();
    void readValueChanged();
    void writeValueChanged();
    void latestResultChanged();

private:
    bool m_isRunningTest = false;
    bool m_isStoppingTest = false;
    bool m_isPostTestView = false;
    double m_testRunTime = 0;
    QDateTime m_testStartTime = QDateTime::currentDateTime();
    QDateTime m_finalReferenceTime;
    QTimer *m_runTimeTimer = nullptr;

    QString m_progressMessage;
    quint64 m_totalWriteBytesProcessed = 0;
    quint64 m_totalReadBytesProcessed = 0;
    quint64 m_progressTargetBytes = 0;
    double m_readValue = 0;
    double m_writeValue = 0;
    std::optional<PerformanceTestResult> m_latestResult;
};

} // namespace trevlamark
