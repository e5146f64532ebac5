#include "platform/volumecapacity.h"

#include <QFile>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <sys/statvfs.h>
#include <thread>

namespace trevlamark {

namespace {
qint64 clampedProduct(unsigned long long count, unsigned long long unit)
{
    constexpr auto maximum = static_cast<unsigned long long>(std::numeric_limits<qint64>::max());
    if (unit != 0 && count > maximum / unit)
        return std::numeric_limits<qint64>::max();
    return qint64(count * unit);
}

// Shared between the caller and the thread that asks the volume, so a caller
// that gave up leaves the late answer to a state that is still alive.
struct PendingStatvfs
{
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    int result = -1;
    int errorNumber = 0;
    struct statvfs info {};
};
} // namespace

std::optional<VolumeCapacity> VolumeCapacity::read(const QString &path, QString *errorText,
                                                   std::chrono::milliseconds timeout)
{
    auto pending = std::make_shared<PendingStatvfs>();
    std::thread([pending, encodedPath = QFile::encodeName(path)] {
        struct statvfs info {};
        const int result = ::statvfs(encodedPath.constData(), &info);
        const int errorNumber = errno;
        const std::lock_guard lock(pending->mutex);
        pending->info = info;
        pending->result = result;
        pending->errorNumber = errorNumber;
        pending->done = true;
        pending->answered.notify_all();
    }).detach();

    std::unique_lock lock(pending->mutex);
    if (!pending->answered.wait_for(lock, timeout, [&] { return pending->done; })) {
        if (errorText)
            *errorText = QStringLiteral("The volume did not answer within %1 seconds").arg(timeout.count() / 1000.0);
        return std::nullopt;
    }
    if (pending->result != 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(pending->errorNumber));
        return std::nullopt;
    }
    const struct statvfs &info = pending->info;
    VolumeCapacity capacity;
    capacity.totalBytes = clampedProduct(info.f_blocks, info.f_frsize);
    capacity.availableBytes = clampedProduct(info.f_bavail, info.f_frsize);
    return capacity;
}

} // namespace trevlamark
