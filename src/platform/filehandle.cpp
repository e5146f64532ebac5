#include "platform/filehandle.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

FileHandle::FileHandle(int descriptor)
    : m_descriptor(descriptor)
{
}

FileHandle::~FileHandle()
{
    close();
}

std::unique_ptr<FileHandle> FileHandle::open(const QString &path, int flags, int *errorCode)
{
    const QByteArray encoded = path.toLocal8Bit();
    int descriptor;
    do {
        descriptor = ::open(encoded.constData(), flags | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        if (errorCode)
            *errorCode = errno;
        return nullptr;
    }
    if (errorCode)
        *errorCode = 0;
    return std::make_unique<FileHandle>(descriptor);
}

int FileHandle::close()
{
    std::lock_guard lock(m_mutex);
    const int descriptor = m_descriptor.exchange(-1, std::memory_order_acq_rel);
    if (descriptor < 0)
        return EBADF;
    // Linux releases the number even when close fails, EINTR included.
    return ::close(descriptor) == 0 ? 0 : errno;
}

int FileHandle::synchronize()
{
    std::lock_guard lock(m_mutex);
    const int descriptor = this->descriptor();
    if (descriptor < 0)
        return EBADF;
    return ::fsync(descriptor) == 0 ? 0 : errno;
}

int FileHandle::synchronizeData()
{
    std::lock_guard lock(m_mutex);
    const int descriptor = this->descriptor();
    if (descriptor < 0)
        return EBADF;
    return ::fdatasync(descriptor) == 0 ? 0 : errno;
}

int FileHandle::enableDirectIO()
{
    const int descriptor = this->descriptor();
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0)
        return errno;
    return ::fcntl(descriptor, F_SETFL, flags | O_DIRECT) == 0 ? 0 : errno;
}

bool FileHandle::disableDirectIO(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || !(flags & O_DIRECT))
        return false;
    return ::fcntl(descriptor, F_SETFL, flags & ~O_DIRECT) == 0;
}

int FileHandle::dropCachedPages()
{
    // posix_fadvise returns the error number instead of setting errno.
    return ::posix_fadvise(descriptor(), 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace trevlamark
