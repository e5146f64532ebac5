#pragma once
// Runs work on a thread of its own and hands its result back on the main
// thread, to a receiver that may have gone away in the meantime.
//
// Not the global thread pool: a file-system call on a share whose server has
// gone can block for good, and it must neither starve other work of the pool's
// few threads nor keep the program from exiting (the pool is waited for at
// exit; a detached thread is not).

#include "platform/detachedthreads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <functional>
#include <utility>

namespace trevlamark {

class BackgroundTask
{
public:
    BackgroundTask() = delete;

    // done runs on the main thread only while receiver still exists. The
    // pointer guard is copied on the worker but only read on the main thread.
    template<typename Result>
    static void run(QObject *receiver, std::function<Result()> work, std::function<void(Result)> done)
    {
        const QPointer<QObject> guard(receiver);
        DetachedThreads::start([guard, work = std::move(work), done = std::move(done)] {
            Result result = work();
            QCoreApplication *application = QCoreApplication::instance();
            if (!application)
                return;
            QMetaObject::invokeMethod(
                application,
                [guard, done, result = std::move(result)] {
                    if (guard)
                        done(result);
                },
                Qt::QueuedConnection);
        });
    }
};

} // namespace trevlamark
