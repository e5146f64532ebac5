#pragma once

#include <QString>

namespace trevlamark {

// One line of the kernel's mount table, with its escapes undone.
struct MountEntry
{
    int mountId = 0;
    int parentId = 0;
    QString mountPoint;
    QString mountOptions;
    QString filesystemType;
    QString source;
    QString superOptions;

    bool operator==(const MountEntry &) const = default;
};

} // namespace trevlamark
