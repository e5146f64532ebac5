#pragma once

#include <QString>

namespace trevlamark {

// One mount point that came or went.
struct MountChange
{
    bool isMount = true;  // false: the mount point went away
    QString mountPoint;

    bool operator==(const MountChange &) const = default;
};

} // namespace trevlamark
