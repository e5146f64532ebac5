#pragma once
// What one stream's frames came to: how many, how many late, the worst
// lateness and the spread of each frame's own I/O time. record() allocates
// nothing, so a stream's thread keeps one and the run merges them at the end.

#include "engine/frameclock.h"
#include "engine/latencyhistogram.h"
#include "engine/phase.h"

namespace trevlamark {

struct PacedFigures;

class FrameTally
{
public:
    // issue and completion in nanoseconds from the stream's start.
    void record(const FrameClock &clock, qint64 frame, qint64 issue, qint64 completion, quint64 bytes);
    void merge(const FrameTally &other);

    quint64 frames() const { return m_frames; }
    quint64 lateFrames() const { return m_lateFrames; }
    qint64 worstLatenessNanoseconds() const { return m_worstLateness; }
    quint64 bytes() const { return m_bytes; }
    const LatencyHistogram &latency() const { return m_latency; }
    // The figures over elapsedSeconds, the stream's (or the slowest stream's) time.
    PacedFigures figures(double elapsedSeconds) const;
    // The figures as a phase of the run records them: frames are its operations.
    PhaseRecord phaseRecord(int cycle, bool write, double elapsedSeconds) const;

private:
    quint64 m_frames = 0;
    quint64 m_lateFrames = 0;
    qint64 m_worstLateness = 0;
    quint64 m_bytes = 0;
    LatencyHistogram m_latency;
};

} // namespace trevlamark
