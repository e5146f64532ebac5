// `trevlamark-cli interfaces` as a child process on this machine's devices.

#include "support/cliprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class tst_InterfacesCommand : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryDeviceAndOneDefault();
    void refusesArguments();
};

void tst_InterfacesCommand::listsEveryDeviceAndOneDefault()
{
    const CliProcess::Outcome json = CliProcess::run({"interfaces", "--json"});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray interfaces = QJsonDocument::fromJson(json.standardOutput).array();
    const QStringList devices =
        QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    QCOMPARE(interfaces.size(), devices.size());
    int defaults = 0;
    for (const QJsonValue &value : interfaces) {
        const QJsonObject object = value.toObject();
        QVERIFY(devices.contains(object.value(QStringLiteral("interfaceID")).toString()));
        QVERIFY(object.value(QStringLiteral("isVirtual")).isBool());
        defaults += object.value(QStringLiteral("isDefaultRoute")).toBool() ? 1 : 0;
    }
    QCOMPARE(defaults, 1);

    const CliProcess::Outcome table = CliProcess::run({"interfaces"});
    const QList<QByteArray> lines = table.standardOutput.trimmed().split('\n');
    QVERIFY(lines.first().contains("DEVICE"));
    QCOMPARE(std::count_if(lines.begin(), lines.end(), [](const QByteArray &line) { return line.startsWith('*'); }), 1);
}

void tst_InterfacesCommand::refusesArguments()
{
    for (const char *argument : {"eth0", "--colour"}) {
        const CliProcess::Outcome run = CliProcess::run({"interfaces", QString::fromLatin1(argument)});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.standardOutput.isEmpty());
        QVERIFY(run.standardError.startsWith("trevlamark-cli: "));
    }
}

QTEST_GUILESS_MAIN(tst_InterfacesCommand)
#include "tst_interfacescommand.moc"
