#pragma once
// One clock for what a screen draws while data streams in. Changes that come
// between two ticks are held and applied together on the tick, and animations
// step on it too, so the window paints once a tick instead of once for every
// source of change.

#include <QBasicTimer>
#include <QObject>
#include <functional>

namespace trevlamark {

class PaintClock : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaintClock)

public:
    explicit PaintClock(QObject *parent = nullptr);

    // Ticks every `intervalMilliseconds` (at least 1), replacing a running clock's interval.
    void start(int intervalMilliseconds);
    // Applies what is held, then stops.
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    // Runs `apply` on the next tick in place of what was held before; at once while stopped.
    void defer(std::function<void()> apply);
    // Runs what is held now.
    void flush();

signals:
    // Every tick, before what was held is applied.
    void ticked();
    void stopped();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QBasicTimer m_timer;
    std::function<void()> m_held;
};

} // namespace trevlamark
