#pragma once
// How worker threads reach an object on the main thread: posting goes through
// here, under a lock that detach() takes too, so a worker never posts to an
// object that is being destroyed.

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <mutex>

namespace trevlamark {

class MainThreadBridge
{
public:
    explicit MainThreadBridge(QObject *receiver)
        : m_receiver(receiver)
    {
    }

    // Runs function on the receiver's thread, unless the receiver is gone by
    // then; a call posted after detach() is dropped.
    void post(std::function<void()> function)
    {
        std::lock_guard lock(m_mutex);
        if (m_receiver)
            QMetaObject::invokeMethod(m_receiver, std::move(function), Qt::QueuedConnection);
    }

    bool alive()
    {
        std::lock_guard lock(m_mutex);
        return m_receiver != nullptr;
    }

    void detach()
    {
        std::lock_guard lock(m_mutex);
        m_receiver = nullptr;
    }

private:
    std::mutex m_mutex;
    QObject *m_receiver;
};

} // namespace trevlamark
