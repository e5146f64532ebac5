#include "ui/charts/trafficfeed.h"

#include "monitor/networkinterfacemonitor.h"

#include <QTimer>
#include <algorithm>

namespace trevlamark {

TrafficFeed::TrafficFeed(QObject *parent)
    : QObject(parent)
{
}

void TrafficFeed::setMonitor(NetworkInterfaceMonitor *monitor)
{
    m_monitor = monitor;
}

void TrafficFeed::start(int intervalMilliseconds)
{
    stop();
    m_timer = new QTimer(this);
    // A zero or negative rate from the developer settings would spin the event loop.
    m_timer->setInterval(std::max(1, intervalMilliseconds));
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_monitor && m_monitor->isMonitoring()) {
            QList<NetworkTrafficSample> samples = m_monitor->trafficSamples();
            if (samples != m_samples) {
                m_samples = std::move(samples);
                emit samplesChanged();
            }
        }
        emit ticked();
    });
    m_timer->start();
}

void TrafficFeed::stop()
{
    delete m_timer;
    m_timer = nullptr;
}

} // namespace trevlamark
