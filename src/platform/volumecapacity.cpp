#include "platform/volumecapacity.h"

#include "platform/detachedthreads.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/statvfs.h>

namespace trevlamark {

namespace {
qint64 clampedProduct(unsigned long long count, unsigned long long unit)
{
    constexpr auto maximum = static_cast<unsigned long long>(std::numeric_limits<qint64>::max());
    if (unit != 0 && count > maximum / unit)
        return std::numeric_limits<qint64>::max();
    return qint64(count * unit);
}

// What statvfs gave back, handed from the thread that asked to the caller.
struct StatvfsAnswer
{
    int result = -1;
    int errorNumber = 0;
    struct statvfs info {};
};
} // namespace

std::optional<VolumeCapacity> VolumeCapacity::read(const QString &path, QString *errorText,
                                                   std::chrono::milliseconds timeout)
{
    // A share whose server has gone away can hold statvfs for minutes; the
    // thread asking is left to finish alone once the limit has passed.
    const std::optional<StatvfsAnswer> answer = DetachedThreads::runWithin<StatvfsAnswer>(
        timeout.count() / 1000.0, [encodedPath = QFile::encodeName(path)] {
            StatvfsAnswer asked;
            asked.result = ::statvfs(encodedPath.constData(), &asked.info);
            asked.errorNumber = errno;
            return asked;
        });
    if (!answer) {
        if (errorText)
            *errorText = QStringLiteral("The volume did not answer within %1 seconds").arg(timeout.count() / 1000.0);
        return std::nullopt;
    }
    if (answer->result != 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(answer->errorNumber));
        return std::nullopt;
    }
    const struct statvfs &info = answer->info;
    VolumeCapacity capacity;
    capacity.totalBytes = clampedProduct(info.f_blocks, info.f_frsize);
    capacity.availableBytes = clampedProduct(info.f_bavail, info.f_frsize);
    return capacity;
}

} // namespace trevlamark
