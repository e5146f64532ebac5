#pragma once
// The clock one stream of frames runs on, and the rule that makes a frame
// late. Times are nanoseconds from the stream's start. Pure functions: the
// paced run asks them when to issue a frame and whether it came in time.

#include <QtGlobal>

namespace trevlamark {

class FrameClock
{
public:
    FrameClock(double framesPerSecond, int bufferFrames);

    // When the frame's slot begins. Counted from the start, never from the
    // frame before: a wake-up that comes late does not shift the slots after it.
    qint64 slotStart(qint64 frame) const;
    // When the stream issues the frame: at its slot, or at once after the
    // previous frame when that one completed later (the stream is behind and
    // catches up frame by frame).
    qint64 issueTime(qint64 frame, qint64 previousCompletion) const;
    // How long after its slot began the frame was complete.
    qint64 lateness(qint64 frame, qint64 completion) const { return completion - slotStart(frame); }
    // A player or recorder holds bufferFrames frames: a frame that completes
    // later than its slot plus that many frame intervals is late.
    bool isLate(qint64 frame, qint64 completion) const { return lateness(frame, completion) > bufferNanoseconds(); }
    qint64 bufferNanoseconds() const;
    int bufferFrames() const { return m_bufferFrames; }
    double framesPerSecond() const { return m_framesPerSecond; }
    // The frames whose slots end within the duration (at least one).
    qint64 framesIn(double seconds) const;

private:
    double m_framesPerSecond;
    int m_bufferFrames;
};

} // namespace trevlamark
