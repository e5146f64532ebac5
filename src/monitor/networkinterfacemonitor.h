#pragma once
// Samples one interface's byte counters at a fixed interval and publishes the
// inbound and outbound rates and a history bounded to one hour's worth.
// Each counter reading runs off the main thread under a one-second watchdog;
// the rates, everything published, the baseline and the watchdog count are
// worked out and kept on the main thread.

#include "monitor/networktrafficsample.h"
#include "platform/interfacecounters.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace trevlamark {

class ShareManager;

class NetworkInterfaceMonitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkInterfaceMonitor)
    Q_PROPERTY(QList<trevlamark::NetworkTrafficSample> trafficSamples READ trafficSamples NOTIFY trafficSamplesChanged)
    Q_PROPERTY(double currentThroughputIn READ currentThroughputIn NOTIFY currentThroughputInChanged)
    Q_PROPERTY(double currentThroughputOut READ currentThroughputOut NOTIFY currentThroughputOutChanged)
    Q_PROPERTY(bool isMonitoring READ isMonitoring NOTIFY isMonitoringChanged)
public:
    // Reads a device's counters; runs off the main thread.
    using CounterReader = std::function<std::optional<InterfaceCounters>(const QString &device)>;

    // samplingIntervalSeconds must be greater than 0.
    NetworkInterfaceMonitor(ShareManager *shareManager, double samplingIntervalSeconds, double historyDurationSeconds,
                            QObject *parent = nullptr);
    NetworkInterfaceMonitor(ShareManager *shareManager, double samplingIntervalSeconds, double historyDurationSeconds,
                            CounterReader counterReader, QObject *parent = nullptr);
    ~NetworkInterfaceMonitor() override;

    void startMonitoring(const QString &interfaceID);
    void stopMonitoring();
    // Stops sampling but keeps the history, so a finished test's graphs stay.
    void stopSampling();
    void restartMonitoring(const QString &interfaceID);
    void updateSettings(std::optional<double> samplingIntervalSeconds, std::optional<double> historyDurationSeconds);

    QList<NetworkTrafficSample> trafficSamples() const { return m_trafficSamples; }
    double currentThroughputIn() const { return m_currentThroughputIn; }
    double currentThroughputOut() const { return m_currentThroughputOut; }
    bool isMonitoring() const { return m_isMonitoring; }
    double samplingInterval() const { return m_samplingInterval; }
    double historyDuration() const { return m_historyDuration; }
    std::optional<QString> currentInterfaceID() const { return m_currentInterfaceID; }
    bool isCurrentInterfaceVirtual() const { return m_isCurrentInterfaceVirtual; }
    int consecutiveTimeouts() const { return m_consecutiveTimeouts; }

    // Bytes moved between two readings of a counter that may have been reset.
    static quint64 counterDelta(quint64 previous, quint64 current);
    // MB/s (1 MB = 1,048,576 bytes), at most maxThroughput.
    static double rate(quint64 deltaBytes, double elapsedSeconds);
    // The sample that follows previous; nothing when less than a millisecond has passed.
    static std::optional<NetworkTrafficSample> nextSample(const NetworkTrafficSample &previous,
                                                          const InterfaceCounters &counters, const QDateTime &now,
                                                          bool isVirtual, const QString &device);
    // ceil(3600 / samplingIntervalSeconds): one hour of samples.
    static qsizetype historyCap(double samplingIntervalSeconds);

    static constexpr double maxThroughput = 10000.0;
    static constexpr int watchdogMilliseconds = 1000;
    static constexpr int recoveryTimeoutCount = 5;

signals:
    void trafficSamplesChanged();
    void currentThroughputInChanged(double currentThroughputIn);
    void currentThroughputOutChanged(double currentThroughputOut);
    void isMonitoringChanged(bool isMonitoring);

private:
    void collectSample(const QString &device);
    // Turns one counter reading into a sample on the main thread; false when none was added.
    bool applyReading(const QString &device, const InterfaceCounters &counters, const QDateTime &readAt);
    void clearSamples();
    void setMonitoring(bool isMonitoring);
    void setCurrentThroughput(double inbound, double outbound);

    QList<NetworkTrafficSample> m_trafficSamples;
    double m_currentThroughputIn = 0;
    double m_currentThroughputOut = 0;
    bool m_isMonitoring = false;
    ShareManager *m_shareManager = nullptr;
    double m_samplingInterval = 1.0;
    double m_historyDuration = 0;
    std::optional<QString> m_currentInterfaceID;
    bool m_isCurrentInterfaceVirtual = false;
    QTimer *m_timer = nullptr;
    std::optional<NetworkTrafficSample> m_previousSample;
    int m_consecutiveTimeouts = 0;
    CounterReader m_counterReader;
};

} // namespace trevlamark
