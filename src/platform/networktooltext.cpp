#include "platform/networktooltext.h"

#include <QRegularExpression>
#include <QStringList>
#include <limits>

namespace trevlamark {

namespace {

QStringList lines(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\\r\\n|\\n|\\r"));
    return text.split(lineBreak);
}

std::optional<int> toInt(const QString &digits)
{
    bool ok = false;
    const int value = digits.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QString> NetworkToolText::parseRouteInterface(const QString &output)
{
    for (const QString &line : lines(output)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QLatin1String("interface:")))
            continue;
        const QStringList pieces = trimmed.split(QLatin1Char(':'));
        const QString device = pieces.size() >= 2 ? pieces.at(1).trimmed() : QString();
        if (device.isEmpty())
            return std::nullopt;
        return device;
    }
    return std::nullopt;
}

QList<QPair<QString, QString>> NetworkToolText::parseHardwarePorts(const QString &output)
{
    QList<QPair<QString, QString>> ports;
    QString currentPort;
    for (const QString &line : lines(output)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("Hardware Port:")))
            currentPort = trimmed.mid(14).trimmed();
        else if (trimmed.startsWith(QLatin1String("Device:")))
            ports.append({trimmed.mid(7).trimmed(), currentPort});
    }
    return ports;
}

std::optional<QString> NetworkToolText::hardwarePortOf(const QString &output, const QString &device)
{
    for (const auto &[listedDevice, port] : parseHardwarePorts(output)) {
        if (listedDevice == device)
            return port;
    }
    return std::nullopt;
}

QString NetworkToolText::parseMediaActive(const QString &output)
{
    for (const QString &line : lines(output)) {
        if (line.startsWith(QLatin1String("Active:")))
            return line.mid(7).trimmed();
    }
    return {};
}

ParsedInterfaceInfo NetworkToolText::parseInterfaceConfiguration(const QString &device, const QString &output)
{
    static const QRegularExpression mtuPattern(QStringLiteral("mtu (\\d+)"));
    static const QRegularExpression digitsPattern(QStringLiteral("\\d+"));
    static const QRegularExpression etherPattern(QStringLiteral("ether ([0-9a-f:]+)"));
    ParsedInterfaceInfo info;
    for (const QString &line : lines(output)) {
        const QString trimmed = line.trimmed();
        if (trimmed.contains(QLatin1String("mtu "))) {
            const QRegularExpressionMatch match = mtuPattern.match(trimmed);
            if (match.hasMatch()) {
                const QRegularExpressionMatch digits = digitsPattern.match(match.captured(0));
                if (digits.hasMatch())
                    info.mtu = toInt(digits.captured(0));
            }
        }
        if (trimmed.startsWith(QLatin1String("flags="))) {
            info.flags = trimmed;
            // The tool spells the point-to-point flag "POINTOPOINT"; accept both spellings.
            for (const char *marker : {"POINTTOPOINT", "POINTOPOINT", "TUNNEL", "VIRTUAL", "VPN"}) {
                if (trimmed.contains(QLatin1String(marker)))
                    info.isVirtual = true;
            }
        }
        if (trimmed.startsWith(QLatin1String("media:")) || trimmed.contains(QLatin1String("media: ")))
            info.mediaInfo = trimmed;
        if (trimmed.contains(QLatin1String("ether "))) {
            const QRegularExpressionMatch match = etherPattern.match(trimmed);
            if (match.hasMatch())
                info.hardwareAddr = match.captured(0).mid(6);
        }
    }
    if (hasVirtualNamePrefix(device))
        info.isVirtual = true;
    return info;
}

std::optional<std::pair<QString, int>> NetworkToolText::speedFromActiveMedia(const QString &active)
{
    static const QRegularExpression gigabase(QStringLiteral("(\\d+)[Gg][Bb]ase"));
    static const QRegularExpression baseT(QStringLiteral("(\\d+)baseT"));
    static const QRegularExpression mbps(QStringLiteral("(\\d+) Mbps"));
    static const QRegularExpression leadingDigits(QStringLiteral("^\\d+"));

    if (const QRegularExpressionMatch match = gigabase.match(active); match.hasMatch()) {
        const std::optional<int> n = toInt(leadingDigits.match(match.captured(0)).captured(0));
        if (n && *n <= std::numeric_limits<int>::max() / 1000)
            return std::pair{QStringLiteral("%1 Gbps").arg(*n), *n * 1000};
    }
    if (const QRegularExpressionMatch match = baseT.match(active); match.hasMatch()) {
        if (const std::optional<int> n = toInt(match.captured(0).remove(QStringLiteral("baseT")))) {
            if (*n >= 1000)
                return std::pair{QStringLiteral("%1 Gbps").arg(*n / 1000), *n};
            return std::pair{QStringLiteral("%1 Mbps").arg(*n), *n};
        }
    }
    if (const QRegularExpressionMatch match = mbps.match(active); match.hasMatch()) {
        if (const std::optional<int> n = toInt(match.captured(0).remove(QStringLiteral(" Mbps")))) {
            if (*n >= 1000)
                return std::pair{QString::asprintf("%.1f Gbps", *n / 1000.0), *n};
            return std::pair{QStringLiteral("%1 Mbps").arg(*n), *n};
        }
    }
    return std::nullopt;
}

bool NetworkToolText::hasVirtualNamePrefix(const QString &device)
{
    for (const char *prefix : {"utun", "tun", "ppp", "ipsec", "vpn", "virt", "bridge", "tap"}) {
        if (device.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

} // namespace trevlamark
