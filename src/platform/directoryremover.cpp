#include "platform/directoryremover.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevlamark {

namespace {

void noteFailure(std::optional<RemovalError> &first, int code)
{
    if (!first)
        first = RemovalError{code, QString::fromLocal8Bit(std::strerror(code))};
}

// A bind mount of a folder from the same file system shows the same device
// number, so only the kernel's mount-root flag tells that the entry belongs to
// another mount, whose contents must never be emptied.
bool isMountRoot(int directoryDescriptor, const char *name)
{
    struct statx status;
    if (::statx(directoryDescriptor, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &status) != 0)
        return false;
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

// Empties the directory open at directoryDescriptor (which it closes).
void removeContents(int directoryDescriptor, dev_t device, std::optional<RemovalError> &first)
{
    DIR *stream = ::fdopendir(directoryDescriptor);
    if (!stream) {
        noteFailure(first, errno);
        ::close(directoryDescriptor);
        return;
    }
    while (true) {
        errno = 0;
        const dirent *entry = ::readdir(stream);
        if (!entry) {
            if (errno != 0)
                noteFailure(first, errno);
            break;
        }
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat status;
        if (::fstatat(directoryDescriptor, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                noteFailure(first, errno);
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            if (status.st_dev == device && !isMountRoot(directoryDescriptor, name)) {
                const int child = ::openat(directoryDescriptor, name,
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0)
                    removeContents(child, device, first);
                else if (errno != ENOENT)
                    noteFailure(first, errno);
            }
            if (::unlinkat(directoryDescriptor, name, AT_REMOVEDIR) != 0 && errno != ENOENT)
                noteFailure(first, errno);
        } else if (::unlinkat(directoryDescriptor, name, 0) != 0 && errno != ENOENT) {
            noteFailure(first, errno);
        }
    }
    ::closedir(stream);
}

} // namespace

std::optional<RemovalError> DirectoryRemover::removeRecursively(const QString &path)
{
    std::optional<RemovalError> first;
    const QByteArray encoded = path.toLocal8Bit();
    struct stat status;
    // What is gone already, perhaps removed by another process meanwhile, is
    // what the caller wanted: never a failure.
    if (::lstat(encoded.constData(), &status) != 0) {
        if (errno != ENOENT)
            noteFailure(first, errno);
        return first;
    }
    if (!S_ISDIR(status.st_mode)) {
        if (::unlink(encoded.constData()) != 0 && errno != ENOENT)
            noteFailure(first, errno);
        return first;
    }
    if (isMountRoot(AT_FDCWD, encoded.constData())) {
        noteFailure(first, EBUSY);
        return first;
    }
    const int descriptor = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno != ENOENT)
            noteFailure(first, errno);
        return first;
    }
    removeContents(descriptor, status.st_dev, first);
    if (::rmdir(encoded.constData()) != 0 && errno != ENOENT) {
        const int code = errno;
        // The rmdir's reason is the one that matters when the contents went.
        if (!first || code == EBUSY)
            first = RemovalError{code, QString::fromLocal8Bit(std::strerror(code))};
    }
    return first;
}

bool DirectoryRemover::existsNoFollow(const QString &path)
{
    struct stat status;
    return ::lstat(path.toLocal8Bit().constData(), &status) == 0;
}

} // namespace trevlamark
