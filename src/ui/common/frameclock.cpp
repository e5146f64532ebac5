#include "ui/common/frameclock.h"

#include <QTimerEvent>
#include <algorithm>
#include <utility>

namespace trevlamark {

FrameClock::FrameClock(QObject *parent)
    : QObject(parent)
{
}

void FrameClock::start(int intervalMilliseconds)
{
    // A zero or negative rate from the developer settings would spin the event loop.
    m_timer.start(std::max(1, intervalMilliseconds), this);
}

void FrameClock::stop()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    flush();
    emit stopped();
}

void FrameClock::defer(std::function<void()> apply)
{
    m_held = std::move(apply);
    if (!m_timer.isActive())
        flush();
}

void FrameClock::flush()
{
    // Taken out first: what it applies may hold something new.
    if (const std::function<void()> held = std::exchange(m_held, nullptr))
        held();
}

void FrameClock::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId())
        return QObject::timerEvent(event);
    // Animations step first, over the time since the last tick: a change applied
    // before them would restart their glide and hold them still while it changes
    // at every tick.
    emit ticked();
    flush();
}

} // namespace trevlamark
