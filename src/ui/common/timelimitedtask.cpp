#include "ui/common/timelimitedtask.h"

namespace trevlamark {

TimeLimitedTask::TimeLimitedTask(std::chrono::milliseconds limit, std::function<void()> onTimeout, QObject *parent)
    : QObject(parent)
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(limit);
    connect(&m_limit, &QTimer::timeout, this, [this, onTimeout = std::move(onTimeout)] {
        ++m_call;
        onTimeout();
    });
}

void TimeLimitedTask::drop()
{
    ++m_call;
    m_limit.stop();
}

} // namespace trevlamark
