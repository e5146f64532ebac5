// The discovery commands as child processes on this machine: `interfaces`,
// `shares` and `monitor`.

#include "support/cliprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

class tst_DiscoveryCommands : public QObject
{
    Q_OBJECT

private slots:
    void interfacesListsEveryDeviceAndOneDefault();
    void sharesAreAJsonArray();
    void monitorPrintsOneLinePerSample();
    void refusals_data();
    void refusals();
};

void tst_DiscoveryCommands::interfacesListsEveryDeviceAndOneDefault()
{
    const CliProcess::Outcome json = CliProcess::run({"interfaces", "--json"});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray interfaces = QJsonDocument::fromJson(json.standardOutput).array();
    const QStringList devices =
        QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    QCOMPARE(interfaces.size(), devices.size());
    int defaults = 0;
    for (const QJsonValue &value : interfaces) {
        QVERIFY(devices.contains(value.toObject().value(QStringLiteral("interfaceID")).toString()));
        defaults += value.toObject().value(QStringLiteral("isDefaultRoute")).toBool() ? 1 : 0;
    }
    QCOMPARE(defaults, 1);
    const QList<QByteArray> lines = CliProcess::run({"interfaces"}).standardOutput.trimmed().split('\n');
    QVERIFY(lines.first().contains("DEVICE"));
    QCOMPARE(std::count_if(lines.begin(), lines.end(), [](const QByteArray &line) { return line.startsWith('*'); }), 1);
}

void tst_DiscoveryCommands::sharesAreAJsonArray()
{
    const CliProcess::Outcome run = CliProcess::run({"shares", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonDocument document = QJsonDocument::fromJson(run.standardOutput);
    QVERIFY2(document.isArray(), run.standardOutput.constData());
    for (const QJsonValue &share : document.array()) {
        for (const char *key : {"id", "hostname", "shareProtocol", "shareName", "username", "mountPath",
                 "filesystemType", "isDetected"})
            QVERIFY2(share.toObject().contains(QLatin1String(key)), key);
    }
    QVERIFY(run.standardError.isEmpty());
}

void tst_DiscoveryCommands::monitorPrintsOneLinePerSample()
{
    const CliProcess::Outcome run = CliProcess::run({"monitor", "lo", "--interval", "0.1", "--duration", "1"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.standardOutput.trimmed().split('\n');
    QVERIFY2(lines.size() >= 3, run.standardOutput.constData());
    QVERIFY(lines.first().startsWith("Monitoring lo every 0.1 s"));
    static const QRegularExpression sample(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  in +\\d+\\.\\d\\d MB/s  out +\\d+\\.\\d\\d MB/s$"));
    for (qsizetype i = 1; i < lines.size(); ++i)
        QVERIFY2(sample.match(QString::fromUtf8(lines.at(i))).hasMatch(), lines.at(i).constData());
}

void tst_DiscoveryCommands::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("interfaces with a device") << QStringList{"interfaces", "eth0"} << "trevlamark-cli: ";
    QTest::newRow("shares with a path") << QStringList{"shares", "/mnt"} << "shares takes no arguments";
    QTest::newRow("zero interval") << QStringList{"monitor", "lo", "--interval", "0"} << "--interval \"0\" is not allowed";
    QTest::newRow("unknown device") << QStringList{"monitor", "nosuch0"} << "there is no network device \"nosuch0\"";
}

void tst_DiscoveryCommands::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliProcess::Outcome run = CliProcess::run(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.standardOutput.isEmpty());
    QVERIFY2(run.standardError.contains(message.toUtf8()), run.standardError.constData());
}

QTEST_GUILESS_MAIN(tst_DiscoveryCommands)
#include "tst_discoverycommands.moc"
