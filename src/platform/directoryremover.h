#pragma once
// Removes a directory and everything in it without following symbolic links:
// a link inside is unlinked, never its target, and a link given as the path is
// removed as a link. It does not descend into another file system mounted
// below the directory; such a mount point makes the removal fail with EBUSY.

#include <QString>
#include <optional>

namespace trevlamark {

struct RemovalError
{
    int code = 0;        // errno of the first failure
    QString description; // the system's text for it
};

class DirectoryRemover
{
public:
    // Removes as much as it can; the first failure, or nothing on success.
    static std::optional<RemovalError> removeRecursively(const QString &path);
    // Something is at the path, a dangling link included (lstat).
    static bool existsNoFollow(const QString &path);
};

} // namespace trevlamark
