#include "ui/charts/trafficfeed.h"

#include "monitor/networkinterfacemonitor.h"

#include "ui/common/paintclock.h"

namespace trevlamark {

TrafficFeed::TrafficFeed(QObject *parent)
    : QObject(parent)
    , m_clock(new PaintClock(this))
{
    connect(m_clock, &PaintClock::ticked, this, [this] {
        if (m_monitor && m_monitor->isMonitoring()) {
            QList<NetworkTrafficSample> samples = m_monitor->trafficSamples();
            if (samples != m_samples) {
                m_samples = std::move(samples);
                emit samplesChanged();
            }
        }
        emit ticked();
    });
}

void TrafficFeed::setMonitor(NetworkInterfaceMonitor *monitor)
{
    m_monitor = monitor;
}

void TrafficFeed::start(int intervalMilliseconds)
{
    m_clock->start(intervalMilliseconds);
}

void TrafficFeed::stop()
{
    m_clock->stop();
}

bool TrafficFeed::isRunning() const
{
    return m_clock->isActive();
}

} // namespace trevlamark
