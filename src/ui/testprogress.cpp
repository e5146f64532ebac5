#include "ui/testprogress.h"

#include "ui/statesetter.h"

#include <algorithm>

namespace trevlamark {

TestProgress::TestProgress(QObject *parent)
    : QObject(parent)
{
    connect(this, &TestProgress::totalWriteBytesProcessedChanged, this, &TestProgress::overallProgressChanged);
    connect(this, &TestProgress::totalReadBytesProcessedChanged, this, &TestProgress::overallProgressChanged);
    connect(this, &TestProgress::totalTargetBytesChanged, this, &TestProgress::overallProgressChanged);
}

double TestProgress::overallProgress() const
{
    if (m_totalTargetBytes == 0)
        return 0;
    const quint64 processed = m_totalWriteBytesProcessed + m_totalReadBytesProcessed;
    return std::min(1.0, double(processed) / double(m_totalTargetBytes));
}

void TestProgress::reset()
{
    setOverallAverageRead(0);
    setOverallAverageWrite(0);
    setReadValue(0);
    setWriteValue(0);
    setTotalWriteBytesProcessed(0);
    setTotalReadBytesProcessed(0);
    setProgressValue(0);
    setProgressMessage(QString());
}

TREVLAMARK_NOTIFYING_SETTER(TestProgress, const QString &, setProgressMessage, m_progressMessage, progressMessageChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, double, setProgressValue, m_progressValue, progressValueChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, quint64, setTotalWriteBytesProcessed, m_totalWriteBytesProcessed,
                            totalWriteBytesProcessedChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, quint64, setTotalReadBytesProcessed, m_totalReadBytesProcessed,
                            totalReadBytesProcessedChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, quint64, setTotalTargetBytes, m_totalTargetBytes, totalTargetBytesChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, double, setReadValue, m_readValue, readValueChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, double, setWriteValue, m_writeValue, writeValueChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, double, setOverallAverageRead, m_overallAverageRead, overallAverageReadChanged)
TREVLAMARK_NOTIFYING_SETTER(TestProgress, double, setOverallAverageWrite, m_overallAverageWrite,
                            overallAverageWriteChanged)

} // namespace trevlamark
