#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

class tst_SharesCommand : public QObject
{
    Q_OBJECT
private slots:
    void jsonIsAnArrayOfShares();
    void verboseDiagnosticsGoToStandardError();
    void refusesArguments();
};

namespace {
int run(const QStringList &arguments, QByteArray *output, QByteArray *errors)
{
    QProcess process;
    process.start(QStringLiteral(TREVLAMARK_CLI_PATH), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    *output = process.readAllStandardOutput();
    *errors = process.readAllStandardError();
    return process.exitCode();
}
} // namespace

void tst_SharesCommand::jsonIsAnArrayOfShares()
{
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run({QStringLiteral("shares"), QStringLiteral("--json")}, &output, &errors), 0);
    const QJsonDocument document = QJsonDocument::fromJson(output);
    QVERIFY2(document.isArray(), output.constData());
    for (const QJsonValue &share : document.array()) {
        for (const char *key : {"id", "hostname", "shareProtocol", "shareName", "username", "mountPath",
                                "filesystemType", "isDetected"})
            QVERIFY2(share.toObject().contains(QLatin1String(key)), key);
    }
    QVERIFY(errors.isEmpty());
}

void tst_SharesCommand::verboseDiagnosticsGoToStandardError()
{
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run({QStringLiteral("shares"), QStringLiteral("--json"), QStringLiteral("--verbose")}, &output, &errors), 0);
    QVERIFY(QJsonDocument::fromJson(output).isArray());
    QVERIFY(errors.contains("ShareManager: Found "));
}

void tst_SharesCommand::refusesArguments()
{
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run({QStringLiteral("shares"), QStringLiteral("/mnt")}, &output, &errors), 2);
    QVERIFY(errors.startsWith("trevlamark-cli: shares takes no arguments"));
    QCOMPARE(run({QStringLiteral("shares"), QStringLiteral("--help")}, &output, &errors), 0);
    QVERIFY(output.contains("--json"));
}

QTEST_GUILESS_MAIN(tst_SharesCommand)
#include "tst_sharescommand.moc"
