#pragma once
// Feeds a traffic graph from an interface sampler: on every tick of its clock
// it copies the sampler's samples while the sampler is monitoring, then says
// so even when no sample changed, because a graph's right edge is "now". The
// clock is the screen's paint clock: what else the screen draws can follow it.

#include "monitor/networktrafficsample.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace trevlamark {

class PaintClock;
class NetworkInterfaceMonitor;

class TrafficFeed : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrafficFeed)

public:
    explicit TrafficFeed(QObject *parent = nullptr);

    // The sampler to copy from; the screen owns it and may replace it.
    void setMonitor(NetworkInterfaceMonitor *monitor);
    // Ticks every `intervalMilliseconds` (at least 1), replacing a running clock's interval.
    void start(int intervalMilliseconds);
    void stop();
    bool isRunning() const;
    PaintClock *clock() const { return m_clock; }
    QList<NetworkTrafficSample> samples() const { return m_samples; }

signals:
    void samplesChanged();
    // Every tick, after the samples are in place.
    void ticked();

private:
    QPointer<NetworkInterfaceMonitor> m_monitor;
    PaintClock *m_clock;
    QList<NetworkTrafficSample> m_samples;
};

} // namespace trevlamark
