// `trevlamark-cli shares` as a child process on this machine's mounts.

#include "support/cliprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class tst_SharesCommand : public QObject
{
    Q_OBJECT

private slots:
    void jsonIsAnArrayOfShares();
    void refusesArguments();
};

void tst_SharesCommand::jsonIsAnArrayOfShares()
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

void tst_SharesCommand::refusesArguments()
{
    const CliProcess::Outcome refused = CliProcess::run({"shares", "/mnt"});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY(refused.standardError.startsWith("trevlamark-cli: shares takes no arguments"));
    QVERIFY(CliProcess::run({"shares", "--help"}).standardOutput.contains("--json"));
}

QTEST_GUILESS_MAIN(tst_SharesCommand)
#include "tst_sharescommand.moc"
