#pragma once

#include "platform/mountentry.h"

#include <QString>
#include <optional>

namespace trevlamark {

// One mounted volume as discovery sees it: where it is, and for a remote one
// the URL it could be mounted again with.
struct MountedVolume
{
    QString path;
    bool isLocal = true;
    std::optional<QString> remountUrl;
    // The mount table's line the volume lies in, for the mount's own settings.
    MountEntry mount;
};

} // namespace trevlamark
