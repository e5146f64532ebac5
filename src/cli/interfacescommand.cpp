#include "cli/interfacescommand.h"

#include "cli/commandoutput.h"
#include "discovery/sharemanager.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace trevlamark {

namespace {
QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}
} // namespace

int InterfacesCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the network interfaces; \"*\" marks the one that carries the default route."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                       QStringLiteral("Write the interfaces as a JSON array; \"isDefaultRoute\" marks "
                                                      "the default route's."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Show discovery's diagnostic lines on standard error."));
    parser.addOptions({jsonOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("interfaces"), QStringLiteral("List network interfaces."),
                                 QStringLiteral("interfaces"));
    int exitStatus = 0;
    if (!CommandOutput::parse(parser, arguments, QStringLiteral("interfaces"), &exitStatus))
        return exitStatus;
    if (CommandOutput::positionalCount(parser, QStringLiteral("interfaces")) != 0)
        return CommandOutput::refuse(QStringLiteral("interfaces takes no arguments; allowed: --json, --verbose"));
    CommandOutput::routeDiagnostics(parser.isSet(verboseOption));

    ShareManager manager;
    const QString defaultDevice = manager.getDefaultRouteInterface();
    QList<NetworkInterfaceInfo> interfaces;
    for (const QString &device : manager.allInterfaceNames())
        interfaces.append(manager.interfaceInfo(device));

    if (parser.isSet(jsonOption)) {
        QJsonArray array;
        for (const NetworkInterfaceInfo &info : interfaces) {
            QJsonObject object = info.toJson();
            object.insert(QStringLiteral("isDefaultRoute"), info.interfaceID == defaultDevice);
            array.append(object);
        }
        return CommandOutput::writeLine(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed())
            ? 0
            : 1;
    }
    const QString row = QStringLiteral("%1 %2 %3 %4 %5 %6 %7");
    QStringList lines;
    lines << row.arg(QLatin1Char(' ')).arg(QStringLiteral("DEVICE"), -16).arg(QStringLiteral("PORT"), -10)
                 .arg(QStringLiteral("VIRTUAL"), -8).arg(QStringLiteral("WI-FI"), -6).arg(QStringLiteral("SPEED"), -14)
                 .arg(QStringLiteral("MTU"));
    for (const NetworkInterfaceInfo &info : interfaces) {
        lines << row.arg(info.interfaceID == defaultDevice ? QLatin1Char('*') : QLatin1Char(' '))
                     .arg(info.interfaceID, -16)
                     .arg(info.name, -10)
                     .arg(yesNo(info.isVirtual), -8)
                     .arg(yesNo(info.isWifi), -6)
                     .arg(info.speed.value_or(QStringLiteral("unknown")), -14)
                     .arg(info.mtu ? QString::number(*info.mtu) : QStringLiteral("unknown"));
    }
    return CommandOutput::writeLine(stdout, lines.join(QLatin1Char('\n'))) ? 0 : 1;
}

} // namespace trevlamark
