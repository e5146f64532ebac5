#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace trevlamark {

// Size and free space of the volume that holds a path (statvfs).
struct VolumeCapacity
{
    qint64 totalBytes = 0;
    qint64 availableBytes = 0;  // what an unprivileged writer may still use

    // Nothing (and the reason in errorText) when the volume cannot be asked.
    static std::optional<VolumeCapacity> read(const QString &path, QString *errorText = nullptr);
};

} // namespace trevlamark
