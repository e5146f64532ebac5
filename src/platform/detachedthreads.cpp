#include "platform/detachedthreads.h"

#include "platform/waitgroup.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace trevlamark {

namespace {

// Never destroyed: threads that leave it may still run while the exit
// handlers destroy other statics.
WaitGroup &running()
{
    static WaitGroup *const group = new WaitGroup;
    return *group;
}

void waitAtApplicationExit()
{
    running().waitFor(DetachedThreads::exitWaitSeconds);
}

void registerExitWait()
{
    qAddPostRoutine(waitAtApplicationExit);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerExitWait)

void DetachedThreads::start(std::function<void()> work)
{
    running().enter();
    try {
        std::thread([work = std::move(work)]() mutable {
            work();
            // What the work captured goes before the thread counts as done.
            work = nullptr;
            running().leave();
        }).detach();
    } catch (...) {
        // No thread (the process is out of them): nothing is left to wait for.
        running().leave();
        throw;
    }
}

bool DetachedThreads::waitForAll(double timeoutSeconds)
{
    return running().waitFor(timeoutSeconds);
}

int DetachedThreads::finishProcess(int exitCode)
{
    if (waitForAll(0))
        return exitCode;
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace trevlamark
