#include "engine/frametally.h"

#include "engine/pacedresult.h"
#include "engine/performancetestresult.h"

#include <algorithm>

namespace trevlamark {

void FrameTally::record(const FrameClock &clock, qint64 frame, qint64 issue, qint64 completion, quint64 bytes)
{
    ++m_frames;
    if (clock.isLate(frame, completion))
        ++m_lateFrames;
    m_worstLateness = std::max(m_worstLateness, clock.lateness(frame, completion));
    m_bytes += bytes;
    m_latency.record(quint64(std::max<qint64>(0, completion - issue)));
}

void FrameTally::merge(const FrameTally &other)
{
    m_frames += other.m_frames;
    m_lateFrames += other.m_lateFrames;
    m_worstLateness = std::max(m_worstLateness, other.m_worstLateness);
    m_bytes += other.m_bytes;
    m_latency.merge(other.m_latency);
}

PacedFigures FrameTally::figures(double elapsedSeconds) const
{
    const auto ms = [](quint64 nanoseconds) { return double(nanoseconds) / 1e6; };
    PacedFigures figures;
    figures.frames = m_frames;
    figures.lateFrames = m_lateFrames;
    figures.worstLatenessMs = double(m_worstLateness) / 1e6;
    figures.latencyP50Ms = ms(m_latency.percentileNanoseconds(0.50));
    figures.latencyP99Ms = ms(m_latency.percentileNanoseconds(0.99));
    figures.latencyP999Ms = ms(m_latency.percentileNanoseconds(0.999));
    figures.latencyMaxMs = ms(m_latency.maximumNanoseconds());
    if (elapsedSeconds > 0) {
        figures.framesPerSecond = double(m_frames) / elapsedSeconds;
        figures.megabytesPerSecond = double(m_bytes) / elapsedSeconds * bytesToMegabytes;
    }
    return figures;
}

PhaseRecord FrameTally::phaseRecord(int cycle, bool write, double elapsedSeconds) const
{
    const PacedFigures total = figures(elapsedSeconds);
    PhaseRecord record;
    record.cycle = cycle;
    record.phase = write ? Phase::Write : Phase::Read;
    record.figures.bytes = m_bytes;
    record.figures.duration = elapsedSeconds;
    record.figures.throughput = total.megabytesPerSecond;
    record.figures.operations = m_frames;
    record.figures.operationsPerSecond = total.framesPerSecond;
    record.figures.operationLatency = OperationLatency{total.latencyP50Ms,
        double(m_latency.percentileNanoseconds(0.9)) / 1e6, total.latencyP99Ms, total.latencyP999Ms, total.latencyMaxMs};
    return record;
}

} // namespace trevlamark
