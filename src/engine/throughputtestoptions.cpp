#include "engine/throughputtestoptions.h"

namespace trevlamark {

QList<ThroughputTestOptions> allThroughputTestOptions()
{
    using T = ThroughputTestOptions;
    return {T::size64KB, T::size128KB, T::size256KB, T::size512KB, T::size1MB, T::size2MB,
            T::size4MB, T::size8MB, T::size16MB, T::size32MB, T::size64MB};
}

QString displayText(ThroughputTestOptions option)
{
    const qint64 bytes = chunkSizeBytes(option);
    if (bytes < 1048576)
        return QString::number(bytes / 1024) + QLatin1Char('K');
    return QString::number(bytes / 1048576) + QStringLiteral("MB");
}

std::optional<ThroughputTestOptions> throughputTestOptionFromRaw(qint64 bytes)
{
    for (ThroughputTestOptions option : allThroughputTestOptions()) {
        if (chunkSizeBytes(option) == bytes)
            return option;
    }
    return std::nullopt;
}

std::optional<ThroughputTestOptions> throughputTestOptionFromText(const QString &text)
{
    for (ThroughputTestOptions option : allThroughputTestOptions()) {
        if (displayText(option) == text)
            return option;
    }
    return std::nullopt;
}

} // namespace trevlamark
