// `trevlamark-cli monitor` as a child process on the loopback device.

#include "support/cliprocess.h"

#include <QRegularExpression>
#include <QTest>

class tst_MonitorCommand : public QObject
{
    Q_OBJECT

private slots:
    void printsOneLinePerSampleUntilTheDurationEnds();
    void refusesBadValues_data();
    void refusesBadValues();
};

void tst_MonitorCommand::printsOneLinePerSampleUntilTheDurationEnds()
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
    QVERIFY(run.standardError.isEmpty());
}

void tst_MonitorCommand::refusesBadValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero interval") << QStringList{"monitor", "lo", "--interval", "0"} << "--interval \"0\" is not allowed";
    QTest::newRow("infinite interval") << QStringList{"monitor", "--interval", "inf"} << "--interval \"inf\" is not allowed";
    QTest::newRow("unknown device") << QStringList{"monitor", "nosuch0"} << "there is no network device \"nosuch0\"";
    QTest::newRow("two devices") << QStringList{"monitor", "lo", "lo"} << "monitor takes at most one DEVICE";
}

void tst_MonitorCommand::refusesBadValues()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliProcess::Outcome run = CliProcess::run(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.standardOutput.isEmpty());
    QVERIFY2(run.standardError.contains(message.toUtf8()), run.standardError.constData());
}

QTEST_GUILESS_MAIN(tst_MonitorCommand)
#include "tst_monitorcommand.moc"
