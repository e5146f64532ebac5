#pragma once
// Work run as BackgroundTask runs it, with a time limit: when the answer is
// late, the owner is told so on the main thread and the answer, should it
// still come, is dropped. A newer call drops the answer of the one before, so
// an owner that asks again never sees a stale answer land on a fresh question.

#include "ui/common/backgroundtask.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <utility>

namespace trevlamark {

class TimeLimitedTask : public QObject
{
public:
    // onTimeout runs on the main thread when a call has not answered within limit.
    TimeLimitedTask(std::chrono::milliseconds limit, std::function<void()> onTimeout, QObject *parent);

    // done runs on the main thread with work's result, unless the limit
    // passed, a newer run() or drop() came first, or this task has gone.
    template<typename Result>
    void run(std::function<Result()> work, std::function<void(Result)> done)
    {
        const quint64 call = ++m_call;
        m_limit.start();
        BackgroundTask::run<Result>(this, std::move(work), [this, call, done = std::move(done)](Result result) {
            if (call != m_call)
                return;
            m_limit.stop();
            done(std::move(result));
        });
    }
    // The answer of the call under way is no longer wanted, nor its timeout.
    void drop();
    // True from run() until its answer or its timeout.
    bool isWaiting() const { return m_limit.isActive(); }

private:
    QTimer m_limit;
    quint64 m_call = 0;
};

} // namespace trevlamark
