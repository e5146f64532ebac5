#pragma once
// `trevlamark-cli check [run options] LOCATION`: the check a run makes before
// it writes anything, on its own: free space for the run's data, whether the
// folder is writable, the share and link it lies on, O_DIRECT, and the hints
// of the mount's own settings. --json writes the findings as JSON.

#include <QStringList>

namespace trevlamark {

class CheckCommand
{
public:
    // `arguments` as the process received them (program, "check", ...); 0 when
    // the run could start, 1 when the check refuses it, 2 for bad arguments.
    static int execute(const QStringList &arguments);

    static constexpr int refusedExitStatus = 1;
};

} // namespace trevlamark
