#pragma once
// Starts threads that nobody joins: a phase or a removal that may outlive its
// manager, a step left running when its caller's wait times out, a lookup on a
// share that may hang. They are counted so that the program can let them
// finish before Qt tears down its global state at exit: a thread still inside
// Qt while the exit handlers run crashes the program.
//
// The application object's destructor waits up to exitWaitSeconds for them;
// main then hands its exit code to finishProcess.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace trevlamark {

class DetachedThreads
{
public:
    DetachedThreads() = delete;

    static void start(std::function<void()> work);
    // Runs work on a thread of its own and waits at most timeoutSeconds for its
    // result: nothing when it did not finish in time. It then runs on alone and
    // its result is dropped, so work that hangs in the kernel on a dead share
    // never holds up the caller for longer than the limit.
    template<typename Result>
    static std::optional<Result> runWithin(double timeoutSeconds, std::function<Result()> work)
    {
        struct Handover
        {
            std::mutex mutex;
            std::condition_variable finished;
            std::optional<Result> result;
        };
        auto handover = std::make_shared<Handover>();
        start([handover, work = std::move(work)] {
            Result result = work();
            std::lock_guard lock(handover->mutex);
            handover->result = std::move(result);
            handover->finished.notify_all();
        });
        std::unique_lock lock(handover->mutex);
        handover->finished.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                                    [&handover] { return handover->result.has_value(); });
        return handover->result;
    }
    // True when none is running any more, or none started, within the limit.
    static bool waitForAll(double timeoutSeconds);
    // For main's return: when threads still run after the wait (a share that
    // hangs), ends the process at once, with stdio flushed, instead of
    // running the exit handlers under them. Otherwise gives back exitCode.
    static int finishProcess(int exitCode);

    static constexpr double exitWaitSeconds = 10;
};

} // namespace trevlamark
