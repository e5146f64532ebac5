#pragma once

#include <QString>

namespace trevlamark {

// A byte count in binary (1024-based) units with the unit picked to fit:
// "512 bytes", "12 KB", "1.5 MB", "1.07 GB". Trailing zeros are dropped.
QString formatByteCount(quint64 bytes);

} // namespace trevlamark
