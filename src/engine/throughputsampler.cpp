#include "engine/throughputsampler.h"

#include "engine/performancetestresult.h"

#include <algorithm>

namespace trevlamark {

ThroughputSampler::ThroughputSampler(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ThroughputSampler::takeSample);
}

void ThroughputSampler::start(double intervalSeconds, std::shared_ptr<ProgressCounters> counters,
    SampleHandler onSample)
{
    m_counters = std::move(counters);
    m_counters->phaseBytes.store(0);
    m_counters->intervalBytes.store(0);
    m_onSample = std::move(onSample);
    m_streamResults.clear();
    m_intervalSeconds = intervalSeconds;
    m_clock.start();
    m_lastSampleNanoseconds = 0;
    // sysfs counters are kernel memory: reading them never waits on the share.
    m_lastWire = m_wireDevice.isEmpty() ? std::nullopt : InterfaceCounters::read(m_wireDevice);
    m_timer.start(std::max(1, int(intervalSeconds * 1000.0)));
}

void ThroughputSampler::stop()
{
    m_timer.stop();
}

void ThroughputSampler::setPhase(Phase phase, int phaseId)
{
    m_phase = phase;
    m_phaseId = phaseId;
}

void ThroughputSampler::takeSample()
{
    const qint64 nowNanoseconds = m_clock.nsecsElapsed();
    const double elapsed = double(nowNanoseconds - m_lastSampleNanoseconds) / 1e9;
    // Qt keeps the timer on a fixed grid, so a tick often comes a little
    // before a whole interval has passed on this clock, and after a late one
    // comes an early one: both are samples. Only a tick far too early (a
    // queued burst) is skipped, as its short interval would show a spike.
    if (elapsed < m_intervalSeconds * earliestTickFraction)
        return;
    const quint64 intervalBytes = m_counters->intervalBytes.exchange(0);
    StreamResult sample{QDateTime::currentDateTime(), phaseName(m_phase),
        double(intervalBytes) / elapsed * bytesToMegabytes, double(nowNanoseconds) / 1e9, m_phaseId};
    if (m_lastWire) {
        const std::optional<InterfaceCounters> wire = InterfaceCounters::read(m_wireDevice);
        // Counters that went back (the device was recreated) give no figure for this interval.
        if (wire && wire->bytesIn >= m_lastWire->bytesIn && wire->bytesOut >= m_lastWire->bytesOut) {
            sample.wireIn = double(wire->bytesIn - m_lastWire->bytesIn) / elapsed * bytesToMegabytes;
            sample.wireOut = double(wire->bytesOut - m_lastWire->bytesOut) / elapsed * bytesToMegabytes;
        }
        if (wire)
            m_lastWire = wire;
    }
    m_streamResults.append(sample);
    m_lastSampleNanoseconds = nowNanoseconds;
    if (m_onSample)
        m_onSample(m_counters->phaseBytes.load());
}

} // namespace trevlamark
