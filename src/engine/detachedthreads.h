#pragma once
// Starts threads that nobody joins: a phase or a removal that may outlive its
// manager, a step left running when its caller's wait times out, a lookup on a
// share that may hang. They are counted so that the program can let them
// finish before Qt tears down its global state at exit: a thread still inside
// Qt while the exit handlers run crashes the program.
//
// The application object's destructor waits up to exitWaitSeconds for them;
// main then hands its exit code to finishProcess.

#include <functional>

namespace trevlamark {

class DetachedThreads
{
public:
    DetachedThreads() = delete;

    static void start(std::function<void()> work);
    // True when none is running any more, or none started, within the limit.
    static bool waitForAll(double timeoutSeconds);
    // For main's return: when threads still run after the wait (a share that
    // hangs), ends the process at once, with stdio flushed, instead of
    // running the exit handlers under them. Otherwise gives back exitCode.
    static int finishProcess(int exitCode);

    static constexpr double exitWaitSeconds = 10;
};

} // namespace trevlamark
