#include "ui/testscreen/runstate.h"

#include <QTimer>
#include <algorithm>

namespace trevlamark {

namespace {
// Stores the value and says whether it differed.
template <typename T>
bool assign(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}
} // namespace

QString RunState::endStateText(const PerformanceTestResult &result)
{
    if (!result.success)
        return QStringLiteral("Failed: ") + result.errorMessage.value_or(QStringLiteral("Test failed"));
    return result.isAutoStop ? QStringLiteral("Completed") : QStringLiteral("Stopped");
}

RunState::RunState(QObject *parent)
    : QObject(parent)
{
}

void RunState::setIsRunningTest(bool value)
{
    if (assign(m_isRunningTest, value))
        emit isRunningTestChanged();
}

void RunState::setIsStoppingTest(bool value)
{
    if (assign(m_isStoppingTest, value))
        emit isStoppingTestChanged();
}

void RunState::setIsPostTestView(bool value)
{
    if (assign(m_isPostTestView, value))
        emit isPostTestViewChanged();
}

void RunState::setTestRunTime(double value)
{
    if (assign(m_testRunTime, value))
        emit testRunTimeChanged();
}

void RunState::setFinalReferenceTime(const QDateTime &value)
{
    if (assign(m_finalReferenceTime, value))
        emit finalReferenceTimeChanged();
}

void RunState::startRunTimeTimer()
{
    stopRunTimeTimer();
    m_runTimeTimer = new QTimer(this);
    m_runTimeTimer->setInterval(1000);
    connect(m_runTimeTimer, &QTimer::timeout, this, [this] { setTestRunTime(m_testRunTime + 1.0); });
    m_runTimeTimer->start();
}

void RunState::stopRunTimeTimer()
{
    delete m_runTimeTimer;
    m_runTimeTimer = nullptr;
}

double RunState::overallProgress() const
{
    if (m_progressTargetBytes == 0)
        return 0;
    const quint64 processed = m_totalWriteBytesProcessed + m_totalReadBytesProcessed;
    return std::min(1.0, double(processed) / double(m_progressTargetBytes));
}

void RunState::setProgressMessage(const QString &value)
{
    if (assign(m_progressMessage, value))
        emit progressMessageChanged();
}

void RunState::setTotalWriteBytesProcessed(quint64 value)
{
    if (assign(m_totalWriteBytesProcessed, value))
        emit overallProgressChanged();
}

void RunState::setTotalReadBytesProcessed(quint64 value)
{
    if (assign(m_totalReadBytesProcessed, value))
        emit overallProgressChanged();
}

void RunState::setProgressTargetBytes(quint64 value)
{
    if (assign(m_progressTargetBytes, value))
        emit overallProgressChanged();
}

void RunState::setReadValue(double value)
{
    if (assign(m_readValue, value))
        emit readValueChanged();
}

void RunState::setWriteValue(double value)
{
    if (assign(m_writeValue, value))
        emit writeValueChanged();
}

void RunState::resetProgress()
{
    setReadValue(0);
    setWriteValue(0);
    setTotalWriteBytesProcessed(0);
    setTotalReadBytesProcessed(0);
    setProgressMessage(QString());
}

void RunState::setLatestResult(const std::optional<PerformanceTestResult> &value)
{
    if (assign(m_latestResult, value))
        emit latestResultChanged();
}

} // namespace trevlamark
