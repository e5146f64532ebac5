#pragma once

#include <QString>
#include <optional>

namespace trevlamark {

// The raw properties of one interface as read from its configuration.
struct ParsedInterfaceInfo
{
    bool isVirtual = false;
    std::optional<int> mtu;               // bytes
    std::optional<QString> mediaInfo;     // the whole line carrying "media:"
    std::optional<QString> flags;         // the whole line beginning "flags="
    std::optional<QString> hardwareAddr;  // colon-separated link-layer address

    bool operator==(const ParsedInterfaceInfo &) const = default;
};

} // namespace trevlamark
