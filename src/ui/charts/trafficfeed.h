#pragma once
// Feeds a traffic graph from an interface sampler: on every tick of its timer
// it copies the sampler's samples while the sampler is monitoring, then says
// so even when no sample changed, because a graph's right edge is "now".

#include "monitor/networktrafficsample.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QTimer;

namespace trevlamark {

class NetworkInterfaceMonitor;

class TrafficFeed : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrafficFeed)

public:
    explicit TrafficFeed(QObject *parent = nullptr);

    // The sampler to copy from; the screen owns it and may replace it.
    void setMonitor(NetworkInterfaceMonitor *monitor);
    // Replaces the running timer with one ticking every `intervalMilliseconds` (at least 1).
    void start(int intervalMilliseconds);
    void stop();
    bool isRunning() const { return m_timer != nullptr; }
    QList<NetworkTrafficSample> samples() const { return m_samples; }

signals:
    void samplesChanged();
    // Every tick, after the samples are in place.
    void ticked();

private:
    QPointer<NetworkInterfaceMonitor> m_monitor;
    QTimer *m_timer = nullptr;
    QList<NetworkTrafficSample> m_samples;
};

} // namespace trevlamark
