#pragma once
// Parsers for the text printed by the other platform's network tools (`route get`,
// `networksetup -listallhardwareports`, `networksetup -getmedia`, `ifconfig`).
// Pure functions of their input, for a backend that runs those tools.

#include "discovery/parsedinterfaceinfo.h"

#include <QList>
#include <QPair>
#include <QString>
#include <optional>
#include <utility>

namespace trevlamark {

class NetworkToolText
{
public:
    // The device after the first "interface:" line.
    static std::optional<QString> parseRouteInterface(const QString &output);
    // (device, port) for every "Device:" line under its "Hardware Port:" line.
    static QList<QPair<QString, QString>> parseHardwarePorts(const QString &output);
    // The port of the first "Device:" line naming the device; nothing when it is not listed.
    static std::optional<QString> hardwarePortOf(const QString &output, const QString &device);
    // The trimmed value of the first line that begins with "Active:", or empty text.
    static QString parseMediaActive(const QString &output);
    static ParsedInterfaceInfo parseInterfaceConfiguration(const QString &device, const QString &output);
    // The speed-pattern table: "10GBase-T", "1000baseT", "2500 Mbps" and the like.
    static std::optional<std::pair<QString, int>> speedFromActiveMedia(const QString &active);
    // "utun", "tun", "ppp", "ipsec", "vpn", "virt", "bridge", "tap".
    static bool hasVirtualNamePrefix(const QString &device);
};

} // namespace trevlamark
