#include "engine/fioclient.h"

#include <QRegularExpression>

#include <algorithm>

namespace trevlamark {

QString FioClient::name() const
{
    return host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(host).arg(port)
                                           : QStringLiteral("%1:%2").arg(host).arg(port);
}

QString FioClient::clientArgument() const
{
    const QString address = host.contains(QLatin1Char(':')) ? QStringLiteral("ip6:") + host : host;
    return QStringLiteral("--client=%1,%2").arg(address).arg(port);
}

QString FioClient::directoryTag() const
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9.-]"));
    return QString(host).replace(unsafe, QStringLiteral("-")) + QLatin1Char('-') + QString::number(port);
}

std::optional<QList<FioClient>> FioClient::parseList(const QString &text, const QString &defaultPath,
    QString &problem)
{
    static const QRegularExpression entryPattern(
        QStringLiteral(R"(^(\[[0-9A-Fa-f:.]+\]|[^\s:=\[\],]+)(?::(\d{1,5}))?(?:=(.+))?$)"));
    QList<FioClient> clients;
    for (const QString &rawEntry : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString entry = rawEntry.trimmed();
        const QRegularExpressionMatch match = entryPattern.match(entry);
        const int port = match.captured(2).isEmpty() ? defaultPort : match.captured(2).toInt();
        if (!match.hasMatch() || port < 1 || port > 65535) {
            problem = QStringLiteral("Client \"%1\" is not HOST[:PORT][=PATH]").arg(entry);
            return std::nullopt;
        }
        FioClient client;
        client.host = match.captured(1).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        client.port = port;
        client.locationPath = match.captured(3).isEmpty() ? defaultPath : match.captured(3);
        const auto sameServer = [&client](const FioClient &other) { return other.name() == client.name(); };
        if (std::any_of(clients.cbegin(), clients.cend(), sameServer)) {
            problem = QStringLiteral("Client %1 is listed twice").arg(client.name());
            return std::nullopt;
        }
        clients.append(client);
    }
    if (clients.isEmpty()) {
        problem = QStringLiteral("No client given");
        return std::nullopt;
    }
    return clients;
}

} // namespace trevlamark
