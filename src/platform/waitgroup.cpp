#include "platform/waitgroup.h"

#include <chrono>

namespace trevlamark {

void WaitGroup::enter()
{
    std::lock_guard lock(m_mutex);
    ++m_outstanding;
}

void WaitGroup::leave()
{
    std::lock_guard lock(m_mutex);
    if (--m_outstanding == 0)
        m_drained.notify_all();
}

void WaitGroup::wait()
{
    std::unique_lock lock(m_mutex);
    m_drained.wait(lock, [this] { return m_outstanding <= 0; });
}

bool WaitGroup::waitFor(double timeoutSeconds)
{
    std::unique_lock lock(m_mutex);
    const auto limit = std::chrono::duration<double>(timeoutSeconds);
    return m_drained.wait_for(lock, limit, [this] { return m_outstanding <= 0; });
}

} // namespace trevlamark
