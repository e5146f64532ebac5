#include "platform/volumecapacity.h"

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
} // namespace

std::optional<VolumeCapacity> VolumeCapacity::read(const QString &path, QString *errorText)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    VolumeCapacity capacity;
    capacity.totalBytes = clampedProduct(info.f_blocks, info.f_frsize);
    capacity.availableBytes = clampedProduct(info.f_bavail, info.f_frsize);
    return capacity;
}

} // namespace trevlamark
