#pragma once
// The numbers behind the gauges and the progress bar.

#include <QObject>
#include <QString>

namespace trevlamark {

class TestProgress : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString progressMessage READ progressMessage WRITE setProgressMessage NOTIFY progressMessageChanged)
    Q_PROPERTY(double progressValue READ progressValue WRITE setProgressValue NOTIFY progressValueChanged)
    Q_PROPERTY(quint64 totalWriteBytesProcessed READ totalWriteBytesProcessed WRITE setTotalWriteBytesProcessed NOTIFY totalWriteBytesProcessedChanged)
    Q_PROPERTY(quint64 totalReadBytesProcessed READ totalReadBytesProcessed WRITE setTotalReadBytesProcessed NOTIFY totalReadBytesProcessedChanged)
    Q_PROPERTY(quint64 totalTargetBytes READ totalTargetBytes WRITE setTotalTargetBytes NOTIFY totalTargetBytesChanged)
    Q_PROPERTY(double readValue READ readValue WRITE setReadValue NOTIFY readValueChanged)
    Q_PROPERTY(double writeValue READ writeValue WRITE setWriteValue NOTIFY writeValueChanged)
    Q_PROPERTY(double overallAverageRead READ overallAverageRead WRITE setOverallAverageRead NOTIFY overallAverageReadChanged)
    Q_PROPERTY(double overallAverageWrite READ overallAverageWrite WRITE setOverallAverageWrite NOTIFY overallAverageWriteChanged)
    Q_PROPERTY(double overallProgress READ overallProgress NOTIFY overallProgressChanged)

public:
    explicit TestProgress(QObject *parent = nullptr);

    QString progressMessage() const { return m_progressMessage; }
    double progressValue() const { return m_progressValue; }
    quint64 totalWriteBytesProcessed() const { return m_totalWriteBytesProcessed; }
    quint64 totalReadBytesProcessed() const { return m_totalReadBytesProcessed; }
    quint64 totalTargetBytes() const { return m_totalTargetBytes; }
    double readValue() const { return m_readValue; }
    double writeValue() const { return m_writeValue; }
    double overallAverageRead() const { return m_overallAverageRead; }
    double overallAverageWrite() const { return m_overallAverageWrite; }
    // Processed bytes over the target, 0 without a target, never above 1.
    double overallProgress() const;

    void setProgressMessage(const QString &value);
    void setProgressValue(double value);
    void setTotalWriteBytesProcessed(quint64 value);
    void setTotalReadBytesProcessed(quint64 value);
    void setTotalTargetBytes(quint64 value);
    void setReadValue(double value);
    void setWriteValue(double value);
    void setOverallAverageRead(double value);
    void setOverallAverageWrite(double value);

    // Zeroes everything of the last test except the target, set afresh per start.
    void reset();

signals:
    void progressMessageChanged();
    void progressValueChanged();
    void totalWriteBytesProcessedChanged();
    void totalReadBytesProcessedChanged();
    void totalTargetBytesChanged();
    void readValueChanged();
    void writeValueChanged();
    void overallAverageReadChanged();
    void overallAverageWriteChanged();
    void overallProgressChanged();

private:
    QString m_progressMessage;
    double m_progressValue = 0;
    quint64 m_totalWriteBytesProcessed = 0;
    quint64 m_totalReadBytesProcessed = 0;
    quint64 m_totalTargetBytes = 0;
    double m_readValue = 0;
    double m_writeValue = 0;
    double m_overallAverageRead = 0;
    double m_overallAverageWrite = 0;
};

} // namespace trevlamark
