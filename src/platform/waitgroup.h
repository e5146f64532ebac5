#pragma once
// Counts outstanding pieces of work; a waiter blocks until the count is back
// at zero or its time limit passes. A time-out ends the wait, not the work.

#include <condition_variable>
#include <mutex>

namespace trevlamark {

class WaitGroup
{
public:
    WaitGroup() = default;

    void enter();
    void leave();
    void wait();
    // True when the work drained in time.
    bool waitFor(double timeoutSeconds);

private:
    std::mutex m_mutex;
    std::condition_variable m_drained;
    int m_outstanding = 0;

    WaitGroup(const WaitGroup &) = delete;
    WaitGroup &operator=(const WaitGroup &) = delete;
};

} // namespace trevlamark
