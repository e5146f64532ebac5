#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

class tst_InterfacesCommand : public QObject
{
    Q_OBJECT
private slots:
    void jsonListsEveryDeviceAndOneDefault();
    void tableMarksTheDefault();
    void refusesArguments_data();
    void refusesArguments();

private:
    static int run(const QStringList &arguments, QByteArray *output, QByteArray *errors = nullptr)
    {
        QProcess process;
        process.start(QStringLiteral(TREVLAMARK_CLI_PATH), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        *output = process.readAllStandardOutput();
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitCode();
    }
};

void tst_InterfacesCommand::jsonListsEveryDeviceAndOneDefault()
{
    QByteArray output;
    QCOMPARE(run({QStringLiteral("interfaces"), QStringLiteral("--json")}, &output), 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(output, &error);
    QVERIFY2(document.isArray(), qPrintable(error.errorString() + QLatin1Char(' ') + QString::fromUtf8(output)));
    const QStringList devices = QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    QCOMPARE(document.array().size(), devices.size());
    int defaults = 0;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject object = value.toObject();
        QVERIFY(devices.contains(object.value(QStringLiteral("interfaceID")).toString()));
        QVERIFY(object.contains(QStringLiteral("name")));
        QVERIFY(object.value(QStringLiteral("isVirtual")).isBool());
        QVERIFY(object.value(QStringLiteral("isWifi")).isBool());
        defaults += object.value(QStringLiteral("isDefaultRoute")).toBool() ? 1 : 0;
        if (object.value(QStringLiteral("interfaceID")) == QLatin1String("lo")) {
            QCOMPARE(object.value(QStringLiteral("name")).toString(), QStringLiteral("Loopback"));
            QVERIFY(object.value(QStringLiteral("isVirtual")).toBool());
        }
    }
    QCOMPARE(defaults, 1);
}

void tst_InterfacesCommand::tableMarksTheDefault()
{
    QByteArray output;
    QCOMPARE(run({QStringLiteral("interfaces")}, &output), 0);
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QVERIFY(lines.size() >= 2);
    QVERIFY(lines.first().contains("DEVICE"));
    int marked = 0;
    for (const QByteArray &line : lines)
        marked += line.startsWith('*') ? 1 : 0;
    QCOMPARE(marked, 1);
    // Discovery's diagnostics stay off standard output.
    QVERIFY(!output.contains("Running command"));
}

void tst_InterfacesCommand::refusesArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("positional") << QStringList{QStringLiteral("interfaces"), QStringLiteral("eth0")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("interfaces"), QStringLiteral("--colour")};
}

void tst_InterfacesCommand::refusesArguments()
{
    QFETCH(QStringList, arguments);
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run(arguments, &output, &errors), 2);
    QVERIFY(output.isEmpty());
    QVERIFY(errors.startsWith("trevlamark-cli: "));
}

QTEST_GUILESS_MAIN(tst_InterfacesCommand)
#include "tst_interfacescommand.moc"
