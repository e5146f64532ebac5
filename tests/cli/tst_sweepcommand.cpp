// `trevlamark-cli sweep` as a child process on a real folder.

#include "support/cliprocess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_SweepCommand : public QObject
{
    Q_OBJECT

private slots:
    void removesTestDirectoriesAndSaysWhich();
    void refusals_data();
    void refusals();
};

void tst_SweepCommand::removesTestDirectoriesAndSaysWhich()
{
    QTemporaryDir folder;
    QDir location(folder.path());
    QVERIFY(location.mkpath(QStringLiteral("Trevlamark_Test_Data_1765000000/nested")));
    QVERIFY(location.mkdir(QStringLiteral("Trevlamark_Test_Data")));
    QVERIFY(QFile(location.filePath(QStringLiteral("Trevlamark_Test_Data_notes.txt"))).open(QIODevice::WriteOnly));
    QVERIFY(location.mkpath(QStringLiteral("keep/Trevlamark_Test_Data_inside")));

    CliProcess::Outcome sweep = CliProcess::run({"sweep", folder.path()});
    QCOMPARE(sweep.exitCode, 0);
    QCOMPARE(sweep.standardError, QByteArray());
    const QString path = QDir::cleanPath(folder.path());
    QCOMPARE(QString::fromUtf8(sweep.standardOutput),
        QStringLiteral("Removed %1/Trevlamark_Test_Data\nRemoved %1/Trevlamark_Test_Data_1765000000\n").arg(path));
    QCOMPARE(location.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList{"Trevlamark_Test_Data_notes.txt", "keep"}));
    sweep = CliProcess::run({"sweep", folder.path()});
    QCOMPARE(QString::fromUtf8(sweep.standardOutput), QStringLiteral("No test directories in %1\n").arg(path));
}

void tst_SweepCommand::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringList{"sweep", "/nonexistent/trevlamark"}
                             << "Location \"/nonexistent/trevlamark\" is not an existing directory";
    QTest::newRow("none") << QStringList{"sweep"} << "sweep needs exactly one LOCATION";
}

void tst_SweepCommand::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliProcess::Outcome sweep = CliProcess::run(arguments);
    QCOMPARE(sweep.exitCode, 2);
    QVERIFY2(sweep.standardError.startsWith("trevlamark-cli: " + message.toUtf8()), sweep.standardError.constData());
    QCOMPARE(sweep.standardOutput, QByteArray());
}

QTEST_GUILESS_MAIN(tst_SweepCommand)
#include "tst_sweepcommand.moc"
