#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class tst_MonitorCommand : public QObject
{
    Q_OBJECT
private slots:
    void printsOneLinePerSampleUntilTheDurationEnds();
    void refusesBadValues_data();
    void refusesBadValues();
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

void tst_MonitorCommand::printsOneLinePerSampleUntilTheDurationEnds()
{
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run({QStringLiteral("monitor"), QStringLiteral("lo"), QStringLiteral("--interval"), QStringLiteral("0.1"),
                  QStringLiteral("--duration"), QStringLiteral("1")},
                 &output, &errors),
             0);
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QVERIFY2(lines.size() >= 3, output.constData());
    QVERIFY(lines.first().startsWith("Monitoring lo every 0.1 s"));
    static const QRegularExpression sample(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  in +\\d+\\.\\d\\d MB/s  out +\\d+\\.\\d\\d MB/s$"));
    for (qsizetype i = 1; i < lines.size(); ++i)
        QVERIFY2(sample.match(QString::fromUtf8(lines.at(i))).hasMatch(), lines.at(i).constData());
    QVERIFY(errors.isEmpty());
}

void tst_MonitorCommand::refusesBadValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero interval") << QStringList{QStringLiteral("monitor"), QStringLiteral("lo"), QStringLiteral("--interval"), QStringLiteral("0")}
                                   << "--interval \"0\" is not allowed";
    QTest::newRow("text duration") << QStringList{QStringLiteral("monitor"), QStringLiteral("lo"), QStringLiteral("--duration"), QStringLiteral("soon")}
                                   << "--duration \"soon\" is not allowed";
    QTest::newRow("infinite interval") << QStringList{QStringLiteral("monitor"), QStringLiteral("--interval"), QStringLiteral("inf")}
                                       << "--interval \"inf\" is not allowed";
    QTest::newRow("unknown device") << QStringList{QStringLiteral("monitor"), QStringLiteral("nosuch0")}
                                    << "there is no network device \"nosuch0\"";
    QTest::newRow("two devices") << QStringList{QStringLiteral("monitor"), QStringLiteral("lo"), QStringLiteral("lo")}
                                 << "monitor takes at most one DEVICE";
}

void tst_MonitorCommand::refusesBadValues()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QByteArray output;
    QByteArray errors;
    QCOMPARE(run(arguments, &output, &errors), 2);
    QVERIFY(output.isEmpty());
    QVERIFY2(errors.contains(message.toUtf8()), errors.constData());
}

QTEST_GUILESS_MAIN(tst_MonitorCommand)
#include "tst_monitorcommand.moc"
