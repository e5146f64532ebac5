#pragma once

#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"

#include <QString>
#include <memory>
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
    // Shared with the main screen that made it, so the test screen can go on
    // using it after the main screen has gone.
    std::shared_ptr<ShareManager> shareManager;
};

} // namespace trevlamark
