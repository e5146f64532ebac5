#include "history/databaselocation.h"

#include "platform/platformpaths.h"
#include "settings/preferencesmanager.h"

#include <QUrl>
#include <QUrlQuery>

namespace trevlamark {

std::optional<DatabaseLocation> DatabaseLocation::parse(const QString &text, QString *errorText)
{
    const auto fail = [&](const QString &reason) -> std::optional<DatabaseLocation> {
        if (errorText)
            *errorText = QStringLiteral("invalid database \"%1\": %2").arg(text, reason);
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return fail(QStringLiteral("empty"));
    if (!trimmed.contains(QLatin1String("://"))) {
        DatabaseLocation location;
        location.filePath = trimmed;
        return location;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return fail(url.errorString());
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("sqlite")) {
        if (url.path().isEmpty())
            return fail(QStringLiteral("no file path"));
        DatabaseLocation location;
        location.filePath = url.path();
        return location;
    }
    if (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres"))
        return fail(QStringLiteral("the scheme must be postgresql:// or sqlite://"));

    DatabaseLocation location;
    location.kind = Kind::PostgreSQL;
    location.hostName = url.host();
    location.port = url.port(5432);
    location.userName = url.userName();
    location.password = url.password();
    location.databaseName = url.path().mid(1);
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        location.hostName = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (location.hostName.isEmpty())
        return fail(QStringLiteral("no host"));
    if (location.databaseName.isEmpty() || location.databaseName.contains(QLatin1Char('/')))
        return fail(QStringLiteral("no database name after the host"));
    return location;
}

DatabaseLocation DatabaseLocation::defaultLocation()
{
    DatabaseLocation location;
    location.filePath = PlatformPaths::applicationSupportDirectory() + QStringLiteral("/history.sqlite");
    return location;
}

std::optional<DatabaseLocation> DatabaseLocation::resolve(const QString &commandLineText, QString *errorText)
{
    if (!commandLineText.isEmpty())
        return parse(commandLineText, errorText);
    const QString team = PreferencesManager::storedTeamDatabaseUrl();
    if (!team.isEmpty())
        return parse(team, errorText);
    return defaultLocation();
}

QString DatabaseLocation::displayText() const
{
    if (kind == Kind::SQLite)
        return filePath;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(userName);
    url.setPath(QLatin1Char('/') + databaseName);
    if (hostName.startsWith(QLatin1Char('/'))) {
        url.setHost(QStringLiteral("localhost"));
        url.setQuery(QStringLiteral("host=") + hostName);
    } else {
        url.setHost(hostName);
    }
    url.setPort(port);
    return url.toString();
}

} // namespace trevlamark
