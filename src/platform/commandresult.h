#pragma once

#include <QString>

namespace trevlamark {

// What the command runner hands back: the standard output of a successful run,
// otherwise the error output (or the runner's own failure text).
struct CommandResult
{
    bool success = false;
    QString output;

    bool operator==(const CommandResult &) const = default;
};

} // namespace trevlamark
