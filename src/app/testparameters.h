#pragma once

#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"

#include <QString>
#include <optional>

namespace trevlamark {

class ShareManager;

// What the main screen hands to the test screen when the user opens a test.
struct TestParameters
{
    QString selectedLocation;
    bool isNetworkLocation = false;
    std::optional<NetworkShare> networkShare;
    std::optional<NetworkInterfaceInfo> networkInterfaceInfo;
    ShareManager *shareManager = nullptr; // owned by the main screen's side
};

} // namespace trevlamark
