#pragma once
// Connects a signal to an update and runs the update once now, so the widget
// starts from the current value.

#include <QObject>

namespace trevlamark {

template <typename Sender, typename Signal, typename Update>
void follow(Sender *sender, Signal signal, QObject *context, Update update)
{
    QObject::connect(sender, signal, context, update);
    update();
}

} // namespace trevlamark
