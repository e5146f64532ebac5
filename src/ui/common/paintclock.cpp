#include "ui/common/paintclock.h"

#include <QTimerEvent>
#include <algorithm>
#include <utility>

namespace trevlamark {

PaintClock::PaintClock(QObject *parent)
    : QObject(parent)
{
}

void PaintClock::start(int intervalMilliseconds)
{
    // A zero or negative rate from the developer settings would spin the event loop.
    m_timer.start(std::max(1, intervalMilliseconds), this);
}

void PaintClock::stop()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    flush();
    emit stopped();
}

void PaintClock::defer(std::function<void()> apply)
{
    m_held = std::move(apply);
    if (!m_timer.isActive())
        flush();
}

void PaintClock::flush()
{
    // Taken out first: what it applies may hold something new.
    if (const std::function<void()> held = std::exchange(m_held, nullptr))
        held();
}

void PaintClock::timerEvent(QTimerEvent *event)
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
