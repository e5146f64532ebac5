#include "platform/preferencestore.h"

#include "platform/platformpaths.h"

#include <QSettings>

namespace trevlamark {

namespace {
QSettings openStore()
{
    return QSettings(PlatformPaths::settingsFilePath(), QSettings::IniFormat);
}
} // namespace

QString PreferenceStore::filePath()
{
    return PlatformPaths::settingsFilePath();
}

bool PreferenceStore::contains(const QString &key)
{
    return openStore().contains(key);
}

QVariant PreferenceStore::value(const QString &key)
{
    return openStore().value(key);
}

bool PreferenceStore::boolValue(const QString &key)
{
    return storedBool(key).value_or(false);
}

std::optional<bool> PreferenceStore::storedBool(const QString &key)
{
    const QVariant stored = openStore().value(key);
    if (!stored.isValid())
        return std::nullopt;
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    // INI files hold text; only the spellings QSettings writes for booleans count.
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

void PreferenceStore::setValue(const QString &key, const QVariant &value)
{
    QSettings store = openStore();
    store.setValue(key, value);
    store.sync();
}

void PreferenceStore::clear()
{
    QSettings store = openStore();
    store.clear();
    store.sync();
}

} // namespace trevlamark
