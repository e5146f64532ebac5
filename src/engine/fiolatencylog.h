#pragma once
// One paced fio job's per-I/O latency log, as its server sends it back at the
// job's end, read as frames: a line per I/O, "msec, nsec, direction, bytes,
// …", where msec is when the I/O completed, counted from the job's start,
// and nsec how long it took. A job has one I/O in flight, so the lines come
// in frame order. Pure: the late frames follow the same rule as a stream run
// from this computer.

#include "engine/pacedstream.h"

#include <QByteArray>

namespace trevlamark {

class FioLatencyLog
{
public:
    FioLatencyLog() = delete;

    // The frames of the log tallied on the clock, each counted as frameBytes.
    // A line that is not four numbers or more sets the outcome's error.
    static PacedStreamOutcome read(const QByteArray &log, const FrameClock &clock, quint64 frameBytes);
};

} // namespace trevlamark
