#include "engine/frameclock.h"

#include <algorithm>
#include <cmath>

namespace trevlamark {

FrameClock::FrameClock(double framesPerSecond, int bufferFrames)
    : m_framesPerSecond(framesPerSecond)
    , m_bufferFrames(bufferFrames)
{
}

qint64 FrameClock::slotStart(qint64 frame) const
{
    return qint64(std::llround(double(frame) * 1e9 / m_framesPerSecond));
}

qint64 FrameClock::issueTime(qint64 frame, qint64 previousCompletion) const
{
    return std::max(slotStart(frame), previousCompletion);
}

qint64 FrameClock::bufferNanoseconds() const
{
    return qint64(std::llround(double(m_bufferFrames) * 1e9 / m_framesPerSecond));
}

qint64 FrameClock::framesIn(double seconds) const
{
    // A whisker of tolerance, so 60 s at 25 fps is 1,500 frames and not 1,499.
    return std::max<qint64>(1, qint64(std::floor(seconds * m_framesPerSecond + 1e-6)));
}

} // namespace trevlamark
