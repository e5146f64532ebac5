#pragma once

#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"

#include <optional>

namespace trevlamark {

// The mounted share a path is on, and the interface that carries its traffic:
// both absent for a path on a local disk, the interface absent when no route
// to the share's server was found.
struct ShareRoute
{
    std::optional<NetworkShare> share;
    std::optional<NetworkInterfaceInfo> link;
};

} // namespace trevlamark
