#pragma once
// One call on the run history, made off the window's thread: a store of its
// own, opened on a thread of its own, so a team database that stops answering
// never holds up the window. A store is bound to the thread that opened it,
// hence one per call rather than one shared store.

#include "history/databaselocation.h"
#include "history/runstore.h"
#include "ui/common/timelimitedtask.h"

#include <functional>
#include <optional>

namespace trevlamark {

class RunStoreTask
{
public:
    RunStoreTask() = delete;

    template<typename Value>
    struct Outcome
    {
        std::optional<Value> value;
        QString errorText;
        QString notice; // a damaged file was moved aside
        bool opened = false;
    };

    // call runs on the worker with the opened store; done runs on the main
    // thread when task takes the answer (see TimeLimitedTask::run).
    template<typename Value>
    static void run(TimeLimitedTask &task, const DatabaseLocation &location,
                    std::function<std::optional<Value>(RunStore &)> call, std::function<void(Outcome<Value>)> done)
    {
        task.run<Outcome<Value>>(
            [location, call = std::move(call)] {
                RunStore store(location);
                Outcome<Value> outcome;
                outcome.opened = store.open();
                if (outcome.opened)
                    outcome.value = call(store);
                outcome.errorText = store.errorText();
                outcome.notice = store.notice();
                return outcome;
            },
            std::move(done));
    }
};

} // namespace trevlamark
