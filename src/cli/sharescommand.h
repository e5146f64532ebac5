#pragma once
// `trevlamark-cli shares [--json]`: the mounted network shares with their
// server, protocol, interface, link speed, MTU and capacity.

#include "discovery/networkshare.h"

#include <QStringList>

namespace trevlamark {

class SharesCommand
{
public:
    // `arguments` as the process received them (program, "shares", ...); returns the exit status.
    static int execute(const QStringList &arguments);

    // The human-readable block for one share.
    static QString describe(const NetworkShare &share);
};

} // namespace trevlamark
