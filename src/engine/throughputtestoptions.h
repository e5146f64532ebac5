#pragma once
// The chunk size of one write or read operation; the raw value is the byte count.

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

enum class ThroughputTestOptions : qint64 {
    size64KB = 65536,
    size128KB = 131072,
    size256KB = 262144,
    size512KB = 524288,
    size1MB = 1048576,
    size2MB = 2097152,
    size4MB = 4194304,
    size8MB = 8388608,
    size16MB = 16777216,
    size32MB = 33554432,
    size64MB = 67108864,
};

QList<ThroughputTestOptions> allThroughputTestOptions();
// "64K" ... "512K", then "1MB" ... "64MB".
QString displayText(ThroughputTestOptions option);
std::optional<ThroughputTestOptions> throughputTestOptionFromRaw(qint64 bytes);
std::optional<ThroughputTestOptions> throughputTestOptionFromText(const QString &text);
inline qint64 chunkSizeBytes(ThroughputTestOptions option) { return static_cast<qint64>(option); }

} // namespace trevlamark
