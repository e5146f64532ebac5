#include "platform/interfacecounters.h"

#include <QFile>
#include <QFileInfo>

namespace trevlamark {

namespace {
std::optional<quint64> readCounter(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const quint64 value = file.read(64).trimmed().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}
} // namespace

std::optional<InterfaceCounters> InterfaceCounters::read(const QString &device, const QString &netClassDirectory)
{
    if (device.isEmpty() || device.contains(QLatin1Char('/')) || device.startsWith(QLatin1Char('.')))
        return InterfaceCounters{};
    const QString directory = netClassDirectory + QLatin1Char('/') + device;
    if (!QFileInfo(directory).isDir())
        return InterfaceCounters{};
    const std::optional<quint64> received = readCounter(directory + QStringLiteral("/statistics/rx_bytes"));
    const std::optional<quint64> sent = readCounter(directory + QStringLiteral("/statistics/tx_bytes"));
    if (!received || !sent)
        return std::nullopt;
    return InterfaceCounters{*received, *sent};
}

} // namespace trevlamark
