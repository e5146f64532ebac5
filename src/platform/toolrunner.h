#pragma once
// Runs a system tool (such as `ip`) under a time limit. A tool that does not
// finish in time is asked to stop and killed when it ignores that. The caller
// never waits much past the limit: what the tool gave by then is its result,
// and a run still going when the caller gives up is reported as aborted.

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
