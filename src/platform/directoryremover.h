#pragma once
// Removes a directory and everything in it without following symbolic links:
// a link inside is unlinked, never its target, and a link given as the path is
// removed as a link. It does not descend into another mount below the
// directory (another file system or a bind mount), nor empty a path that is
// itself a mount point; either makes the removal fail with EBUSY.

#include "platform/removalerror.h"

#include <QString>
#include <optional>

namespace trevlamark {

class DirectoryRemover
{
public:
    // Removes as much as it can; the first failure, or nothing on success (a
    // path that is not there counts as removed).
    static std::optional<RemovalError> removeRecursively(const QString &path);
    // Something is at the path, a dangling link included (lstat).
    static bool existsNoFollow(const QString &path);
};

} // namespace trevlamark
