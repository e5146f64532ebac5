#pragma once
// The amount of data written (and read back) in one cycle. `custom` stands for
// a user-entered amount carried separately.

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

enum class BytesPerCycleOptions : qint64 {
    size512MB = 536870912,
    size1GB = 1073741824,
    size2GB = 2147483648,
    size4GB = 4294967296,
    size8GB = 8589934592,
    size16GB = 17179869184,
    custom = 0,
};

QList<BytesPerCycleOptions> allBytesPerCycleOptions();
QString displayText(BytesPerCycleOptions option);
std::optional<BytesPerCycleOptions> bytesPerCycleOptionFromRaw(qint64 bytes);
// The bytes of one cycle: the raw value, or for `custom` the custom amount
// (1,073,741,824 when that is 0).
quint64 resolvedBytesPerCycle(BytesPerCycleOptions option, quint64 customBytes);

constexpr quint64 defaultCustomBytesPerCycle = 1073741824;

} // namespace trevlamark
