#pragma once
// The user preference store: one INI file read and written through QSettings.
// Distinct QSettings objects are safe to use from several threads at once, so
// every call makes its own; the log manager reads switches from worker threads.

#include <QString>
#include <QVariant>
#include <optional>

namespace trevlamark {

class PreferenceStore
{
public:
    static bool contains(const QString &key);
    static QVariant value(const QString &key);
    // Absent keys and values that are not booleans read as false.
    static bool boolValue(const QString &key);
    // The stored boolean, or nothing when the key is absent or holds something else.
    static std::optional<bool> storedBool(const QString &key);
    static void setValue(const QString &key, const QVariant &value);
    // Removes every key ("removes the persistent domain") and writes the file.
    static void clear();
    static QString filePath();
};

} // namespace trevlamark
