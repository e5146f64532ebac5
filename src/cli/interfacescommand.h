#pragma once
// `trevlamark-cli interfaces [--json]`: every network interface with its port
// name, virtual and Wi-Fi flags, link speed and MTU; the default route's is marked.

#include <QStringList>

namespace trevlamark {

class InterfacesCommand
{
public:
    // `arguments` as the process received them (program, "interfaces", ...); returns the exit status.
    static int execute(const QStringList &arguments);
};

} // namespace trevlamark
