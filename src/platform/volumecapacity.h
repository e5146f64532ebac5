#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>

namespace trevlamark {

// Size and free space of the volume that holds a path (statvfs).
struct VolumeCapacity
{
    qint64 totalBytes = 0;
    qint64 availableBytes = 0;  // what an unprivileged writer may still use

    // Nothing (and the reason in errorText) when the volume cannot be asked or
    // does not answer within the time limit: a share whose server has gone away
    // can hold statvfs for minutes, and the caller must not hang with it.
    static std::optional<VolumeCapacity> read(const QString &path, QString *errorText = nullptr,
                                              std::chrono::milliseconds timeout = defaultTimeout);

    static constexpr std::chrono::milliseconds defaultTimeout{3000};
};

} // namespace trevlamark
