#pragma once

#include <QString>

namespace trevlamark {

// Why a removal stopped: the first failure it met.
struct RemovalError
{
    int code = 0;        // errno of the first failure
    QString description; // the system's text for it
};

} // namespace trevlamark
