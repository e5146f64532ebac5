#include "platform/platformpaths.h"

#include <QDir>

namespace trevlamark {

QString PlatformPaths::xdgDirectory(const char *variable, const char *fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    // The XDG rules say a relative value is invalid and must be ignored.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

QString PlatformPaths::logDirectory()
{
    return xdgDirectory("XDG_STATE_HOME", ".local/state") + QStringLiteral("/qormix");
}

QString PlatformPaths::applicationSupportDirectory()
{
    return xdgDirectory("XDG_DATA_HOME", ".local/share") + QStringLiteral("/com.qormix.trevlamark");
}

QString PlatformPaths::testDataDirectory()
{
    const QString path = applicationSupportDirectory() + QStringLiteral("/TestData");
    QDir().mkpath(path);
    return path;
}

QString PlatformPaths::settingsDirectory()
{
    return xdgDirectory("XDG_CONFIG_HOME", ".config") + QStringLiteral("/qormix");
}

QString PlatformPaths::settingsFilePath()
{
    return settingsDirectory() + QStringLiteral("/com.qormix.trevlamark.conf");
}

QString PlatformPaths::temporaryDirectory()
{
    return QDir::tempPath();
}

} // namespace trevlamark
