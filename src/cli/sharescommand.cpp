#include "cli/sharescommand.h"

#include "cli/commandoutput.h"
#include "discovery/sharemanager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

namespace trevlamark {

namespace {
QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString bytesText(const std::optional<qint64> &bytes)
{
    return bytes ? QLocale::c().formattedDataSize(*bytes, 2) : QStringLiteral("unknown");
}
} // namespace

QString SharesCommand::describe(const NetworkShare &share)
{
    QStringList lines;
    lines << QStringLiteral("%1 share \"%2\" on %3").arg(NetworkShare::protocolText(share.shareProtocol), share.shareName,
                                                          share.hostname);
    lines << QStringLiteral("  Mount path:  ") + share.mountPath;
    lines << QStringLiteral("  User:        ") + orDash(share.username);
    if (share.interfaceID && share.cachedInterfaceInfo) {
        const NetworkInterfaceInfo &info = *share.cachedInterfaceInfo;
        QString speed = info.speed.value_or(QStringLiteral("unknown"));
        if (info.speedMbps)
            speed += QStringLiteral(" (%1 MB/s)").arg(QLocale::c().toString(*info.speedMbps / 8.0, 'f', 1));
        lines << QStringLiteral("  Interface:   %1 (%2)").arg(*share.interfaceID, info.name);
        lines << QStringLiteral("  Link speed:  ") + speed;
        lines << QStringLiteral("  MTU:         ") + (info.mtu ? QString::number(*info.mtu) : QStringLiteral("unknown"));
    } else {
        lines << QStringLiteral("  Interface:   unknown");
    }
    if (share.mountSettings) {
        lines << QStringLiteral("  Mount:       ") + share.mountSettings->summary();
        for (const MountSettings::Hint &hint : share.mountSettings->hints)
            lines << QStringLiteral("  Hint:        ") + hint.text;
    }
    lines << QStringLiteral("  Total space: ") + bytesText(share.totalStorageBytes);
    lines << QStringLiteral("  Free space:  ") + bytesText(share.freeStorageBytes);
    return lines.join(QLatin1Char('\n'));
}

int SharesCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the mounted network shares."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Write the shares as a JSON array."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Show discovery's diagnostic lines on standard error."));
    parser.addOptions({jsonOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("shares"), QStringLiteral("List mounted network shares."),
                                 QStringLiteral("shares"));
    int exitStatus = 0;
    if (!CommandOutput::parse(parser, arguments, QStringLiteral("shares"), &exitStatus))
        return exitStatus;
    if (CommandOutput::positionalCount(parser, QStringLiteral("shares")) != 0)
        return CommandOutput::refuse(QStringLiteral("shares takes no arguments; allowed: --json, --verbose"));
    CommandOutput::routeDiagnostics(parser.isSet(verboseOption));

    ShareManager manager;
    QList<NetworkShare> shares = manager.detectMountedShares();
    for (NetworkShare &share : shares)
        share.loadStorageInfo();

    if (parser.isSet(jsonOption)) {
        QJsonArray array;
        for (const NetworkShare &share : shares)
            array.append(share.toJson());
        return CommandOutput::writeLine(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed())
            ? 0
            : 1;
    }
    if (shares.isEmpty())
        return CommandOutput::writeLine(stdout, QStringLiteral("No network shares are mounted.")) ? 0 : 1;
    QStringList blocks;
    for (const NetworkShare &share : shares)
        blocks << describe(share);
    return CommandOutput::writeLine(stdout, blocks.join(QStringLiteral("\n\n"))) ? 0 : 1;
}

} // namespace trevlamark
