#pragma once

#include <QString>

namespace trevlamark {

// One entry of the interface picker.
struct InterfaceChoice
{
    QString id;    // device
    QString name;  // "port (device)"

    bool operator==(const InterfaceChoice &) const = default;
};

} // namespace trevlamark
