#pragma once
// `trevlamark-cli sweep [--force] LOCATION`: removes the leftover test
// directories of any run from a location and says which ones went, which ones
// stayed and which ones it left to a test still running.

#include <QStringList>

namespace trevlamark {

class SweepCommand
{
public:
    // `arguments` as the process received them (program, "sweep", ...); returns the exit status.
    static int execute(const QStringList &arguments);
};

} // namespace trevlamark
