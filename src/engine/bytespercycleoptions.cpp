#include "engine/bytespercycleoptions.h"

namespace trevlamark {

QList<BytesPerCycleOptions> allBytesPerCycleOptions()
{
    using B = BytesPerCycleOptions;
    return {B::size512MB, B::size1GB, B::size2GB, B::size4GB, B::size8GB, B::size16GB, B::custom};
}

QString displayText(BytesPerCycleOptions option)
{
    const qint64 bytes = static_cast<qint64>(option);
    if (option == BytesPerCycleOptions::custom)
        return QStringLiteral("Custom");
    if (bytes < 1073741824)
        return QString::number(bytes / 1048576) + QStringLiteral("MB");
    return QString::number(bytes / 1073741824) + QStringLiteral("GB");
}

std::optional<BytesPerCycleOptions> bytesPerCycleOptionFromRaw(qint64 bytes)
{
    for (BytesPerCycleOptions option : allBytesPerCycleOptions()) {
        if (static_cast<qint64>(option) == bytes)
            return option;
    }
    return std::nullopt;
}

quint64 resolvedBytesPerCycle(BytesPerCycleOptions option, quint64 customBytes)
{
    if (option != BytesPerCycleOptions::custom)
        return quint64(static_cast<qint64>(option));
    return customBytes == 0 ? defaultCustomBytesPerCycle : customBytes;
}

} // namespace trevlamark
