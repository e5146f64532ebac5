#include "monitor/networkinterfacemonitor.h"

#include "platform/logcategories.h"
#include "discovery/sharemanager.h"
#include "platform/interfacefacts.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <utility>

namespace trevlamark {

namespace {

// Counter readings get a small pool of their own, away from the engine's work.
QThreadPool &readingPool()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(4);
    return pool;
}

// One tick's shared state: the watchdog cancels a reading that has not begun;
// completion is set on the main thread once the sample has been applied.
struct Tick
{
    std::atomic<bool> cancelled = false;
    bool completed = false;
};

constexpr double bytesPerMegabyte = 1048576.0;

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

NetworkInterfaceMonitor::NetworkInterfaceMonitor(ShareManager *shareManager, double samplingIntervalSeconds,
                                                 double historyDurationSeconds, QObject *parent)
    : NetworkInterfaceMonitor(shareManager, samplingIntervalSeconds, historyDurationSeconds,
                              [](const QString &device) { return InterfaceCounters::read(device); }, parent)
{
}

NetworkInterfaceMonitor::NetworkInterfaceMonitor(ShareManager *shareManager, double samplingIntervalSeconds,
                                                 double historyDurationSeconds, CounterReader counterReader,
                                                 QObject *parent)
    : QObject(parent)
    , m_shareManager(shareManager)
    , m_samplingInterval(samplingIntervalSeconds > 0 ? samplingIntervalSeconds : 1.0)
    , m_historyDuration(historyDurationSeconds)
    , m_timer(new QTimer(this))
    , m_counterReader(std::move(counterReader))
{
    m_timer->setTimerType(Qt::PreciseTimer);
}

NetworkInterfaceMonitor::~NetworkInterfaceMonitor()
{
    m_timer->stop();
}

quint64 NetworkInterfaceMonitor::counterDelta(quint64 previous, quint64 current)
{
    // The kernel's counters are 64-bit and never wrap in practice: a smaller
    // reading means they started again from zero (the device was recreated).
    return current >= previous ? current - previous : current;
}

double NetworkInterfaceMonitor::rate(quint64 deltaBytes, double elapsedSeconds)
{
    if (!(elapsedSeconds > 0))
        return 0;
    return std::min(double(deltaBytes) / elapsedSeconds / bytesPerMegabyte, maxThroughput);
}

std::optional<NetworkTrafficSample> NetworkInterfaceMonitor::nextSample(const NetworkTrafficSample &previous,
                                                                        const InterfaceCounters &counters,
                                                                        const QDateTime &now, bool isVirtual,
                                                                        const QString &device)
{
    const double elapsedSeconds = previous.timestamp.msecsTo(now) / 1000.0;
    if (elapsedSeconds <= 0.001)
        return std::nullopt;
    const quint64 deltaIn = counterDelta(previous.bytesIn, counters.bytesIn);
    quint64 deltaOut = counterDelta(previous.bytesOut, counters.bytesOut);
    // A bridge sees each outbound packet of its members once more.
    if (isVirtual && device.startsWith(QLatin1String("bridge")))
        deltaOut >>= 1;
    NetworkTrafficSample sample;
    sample.id = QUuid::createUuid();
    sample.timestamp = now;
    sample.bytesIn = counters.bytesIn;
    sample.bytesOut = counters.bytesOut;
    sample.isVirtualInterface = isVirtual;
    sample.throughputIn = rate(deltaIn, elapsedSeconds);
    sample.throughputOut = rate(deltaOut, elapsedSeconds);
    return sample;
}

qsizetype NetworkInterfaceMonitor::historyCap(double samplingIntervalSeconds)
{
    return qsizetype(std::ceil(3600.0 / samplingIntervalSeconds));
}

void NetworkInterfaceMonitor::setMonitoring(bool isMonitoring)
{
    m_isMonitoring = isMonitoring;
    emit isMonitoringChanged(m_isMonitoring);
}

void NetworkInterfaceMonitor::setCurrentThroughput(double inbound, double outbound)
{
    m_currentThroughputIn = inbound;
    emit currentThroughputInChanged(m_currentThroughputIn);
    m_currentThroughputOut = outbound;
    emit currentThroughputOutChanged(m_currentThroughputOut);
}

void NetworkInterfaceMonitor::startMonitoring(const QString &interfaceID)
{
    qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Starting monitoring for ") + interfaceID;
    m_currentInterfaceID = interfaceID;
    if (m_shareManager) {
        m_isCurrentInterfaceVirtual = m_shareManager->interfaceInfo(interfaceID).isVirtual;
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Interface %1 is virtual: %2")
                                           .arg(interfaceID, boolText(m_isCurrentInterfaceVirtual));
    } else {
        m_isCurrentInterfaceVirtual = InterfaceFacts::hasVirtualName(interfaceID);
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Couldn't get interface info, assuming virtual: ")
                                       + boolText(m_isCurrentInterfaceVirtual);
    }
    m_timer->stop();
    m_timer->disconnect(this);
    if (const std::optional<InterfaceCounters> counters = m_counterReader(interfaceID)) {
        NetworkTrafficSample baseline;
        baseline.id = QUuid::createUuid();
        baseline.timestamp = QDateTime::currentDateTimeUtc();
        baseline.bytesIn = counters->bytesIn;
        baseline.bytesOut = counters->bytesOut;
        baseline.isVirtualInterface = m_isCurrentInterfaceVirtual;
        m_previousSample = baseline;
    }
    connect(m_timer, &QTimer::timeout, this, [this, interfaceID] { collectSample(interfaceID); });
    m_timer->start(std::max(1, int(std::lround(m_samplingInterval * 1000.0))));
    setMonitoring(true);
    qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Monitoring started successfully");
}

void NetworkInterfaceMonitor::collectSample(const QString &device)
{
    auto tick = std::make_shared<Tick>();
    const QPointer<NetworkInterfaceMonitor> self(this);
    readingPool().start([tick, device, self, reader = m_counterReader] {
        if (tick->cancelled.load())
            return;
        const std::optional<InterfaceCounters> counters = reader(device);
        if (!counters) {
            qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Failed to get interface stats for ")
                                           + device;
            return;
        }
        const QDateTime readAt = QDateTime::currentDateTimeUtc();
        // The monitor is only looked at on the main thread, where it can also go away.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [tick, self, device, counters = *counters, readAt] {
                if (self && self->applyReading(device, counters, readAt))
                    tick->completed = true;
            },
            Qt::QueuedConnection);
    });
    QTimer::singleShot(watchdogMilliseconds, this, [this, tick, device] {
        if (tick->completed) {
            m_consecutiveTimeouts = 0;
            return;
        }
        tick->cancelled = true;
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Sample collection for %1 timed out after 1.0 seconds")
                                           .arg(device);
        if (++m_consecutiveTimeouts < recoveryTimeoutCount)
            return;
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Multiple consecutive timeouts detected, attempting recovery");
        m_consecutiveTimeouts = 0;
        stopMonitoring();
        startMonitoring(device);
    });
}

bool NetworkInterfaceMonitor::applyReading(const QString &device, const InterfaceCounters &counters,
                                           const QDateTime &readAt)
{
    // A reading that arrives after a stop, or for a device no longer sampled, belongs to no history.
    if (!m_isMonitoring || m_currentInterfaceID != device)
        return false;
    if (!m_previousSample) {
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Failed to get interface stats for ")
                                       + device;
        return false;
    }
    // The rate is taken against the sample applied last, so overlapping ticks never count bytes twice.
    const std::optional<NetworkTrafficSample> sample =
        nextSample(*m_previousSample, counters, readAt, m_isCurrentInterfaceVirtual, device);
    if (!sample)
        return false;
    setCurrentThroughput(sample->throughputIn, sample->throughputOut);
    m_trafficSamples.append(*sample);
    const qsizetype cap = historyCap(m_samplingInterval);
    if (m_trafficSamples.size() > cap)
        m_trafficSamples.remove(0, m_trafficSamples.size() - cap);
    m_previousSample = sample;
    emit trafficSamplesChanged();
    return true;
}

void NetworkInterfaceMonitor::clearSamples()
{
    m_trafficSamples.clear();
    emit trafficSamplesChanged();
    setCurrentThroughput(0, 0);
}

void NetworkInterfaceMonitor::stopMonitoring()
{
    qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Stopping monitoring");
    m_timer->stop();
    setMonitoring(false);
    clearSamples();
}

void NetworkInterfaceMonitor::stopSampling()
{
    m_timer->stop();
    setMonitoring(false);
}

void NetworkInterfaceMonitor::restartMonitoring(const QString &interfaceID)
{
    m_timer->stop();
    clearSamples();
    NetworkTrafficSample start;
    start.id = QUuid::createUuid();
    start.timestamp = QDateTime::currentDateTimeUtc();
    start.isVirtualInterface = m_isCurrentInterfaceVirtual;
    m_trafficSamples.append(start);
    emit trafficSamplesChanged();
    startMonitoring(interfaceID);
}

void NetworkInterfaceMonitor::updateSettings(std::optional<double> samplingIntervalSeconds,
                                             std::optional<double> historyDurationSeconds)
{
    const bool wasMonitoring = m_isMonitoring;
    if (wasMonitoring) {
        m_timer->stop();
        setMonitoring(false);
    }
    if (samplingIntervalSeconds && *samplingIntervalSeconds > 0) {
        m_samplingInterval = *samplingIntervalSeconds;
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Updated sampling interval to %1s")
                                       .arg(m_samplingInterval);
    }
    if (historyDurationSeconds && *historyDurationSeconds > 0) {
        m_historyDuration = *historyDurationSeconds;
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Updated history duration to %1s")
                                       .arg(m_historyDuration);
    }
    if (wasMonitoring && m_currentInterfaceID) {
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkInterfaceMonitor: Restarting monitoring for ")
                                       + *m_currentInterfaceID;
        startMonitoring(*m_currentInterfaceID);
    }
}

} // namespace trevlamark
