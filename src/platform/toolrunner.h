#pragma once
// Runs a system tool (such as `ip`) under a time limit. A tool that does not
// finish in time is asked to stop, killed when it ignores that, and reported
// as aborted; the caller never waits much past the limit.

#include "platform/commandresult.h"

#include <QString>
#include <QStringList>

namespace trevlamark {

class ToolRunner
{
public:
    ToolRunner() = delete;

    // errorMessage opens the line printed when the tool fails.
    static CommandResult run(const QString &path, const QStringList &arguments, const QString &errorMessage,
                             double timeoutSeconds);

    // A tool that ignores the polite request to stop is killed after this long.
    static constexpr int terminateGraceMilliseconds = 1000;
    // How much longer than the limit the caller waits for the stopped tool.
    static constexpr double callerGraceSeconds = 0.5;
};

} // namespace trevlamark
