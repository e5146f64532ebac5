#pragma once
// `trevlamark-cli sweep LOCATION`: removes the leftover test directories of any
// run from a location and says which ones went and which ones stayed.

#include <QStringList>

namespace trevlamark {

class SweepCommand
{
public:
    // `arguments` as the process received them (program, "sweep", ...); returns the exit status.
    static int execute(const QStringList &arguments);
};

} // namespace trevlamark
