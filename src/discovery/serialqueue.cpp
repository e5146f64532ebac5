#include "discovery/serialqueue.h"

#include <utility>

namespace trevlamark {

SerialQueue::SerialQueue()
    : m_worker([this](std::stop_token stopToken) { run(stopToken); })
{
}

SerialQueue::~SerialQueue()
{
    m_worker.request_stop();
    m_wake.notify_all();
}

void SerialQueue::enqueue(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void SerialQueue::run(std::stop_token stopToken)
{
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait(lock, stopToken, [this] { return !m_work.empty(); }))
                return;
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
    }
}

} // namespace trevlamark
