#include "cli/sweepcommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace trevlamark;

class tst_SweepCommand : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listsTestDirectories();
    void removesPrefixedDirectories();
    void refusesMissingLocation_data();
    void refusesMissingLocation();

private:
    int runSweep(const QStringList &arguments, QByteArray *standardOutput, QByteArray *standardError);
    void makeFile(const QString &path);

    std::unique_ptr<QTemporaryDir> m_location;
    QTemporaryDir m_home;
};

void tst_SweepCommand::makeFile(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("data"), qint64(4));
}

void tst_SweepCommand::init()
{
    // Two prefixed directories (digits and letters after the prefix), the fixed
    // name, a prefixed plain file and an unrelated directory.
    m_location = std::make_unique<QTemporaryDir>();
    QVERIFY(m_location->isValid());
    QDir location(m_location->path());
    QVERIFY(location.mkpath(QStringLiteral("Trevlamark_Test_Data_1765000000/nested")));
    makeFile(location.filePath(QStringLiteral("Trevlamark_Test_Data_1765000000/streaming_write_0.dat")));
    QVERIFY(location.mkdir(QStringLiteral("Trevlamark_Test_Data_leftover")));
    QVERIFY(location.mkdir(QStringLiteral("Trevlamark_Test_Data")));
    makeFile(location.filePath(QStringLiteral("Trevlamark_Test_Data_notes.txt")));
    QVERIFY(location.mkdir(QStringLiteral("keep")));
    makeFile(location.filePath(QStringLiteral("keep/Trevlamark_Test_Data_inside")));
}

int tst_SweepCommand::runSweep(const QStringList &arguments, QByteArray *standardOutput, QByteArray *standardError)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral(".local/state")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TREVLAMARK_CLI_PATH), QStringList{"sweep"} + arguments);
    if (!process.waitForFinished(60000))
        return -1;
    *standardOutput = process.readAllStandardOutput();
    *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void tst_SweepCommand::listsTestDirectories()
{
    const QString location = m_location->path();
    QCOMPARE(SweepCommand::testDirectories(location),
             (QStringList{location + "/Trevlamark_Test_Data", location + "/Trevlamark_Test_Data_1765000000",
                          location + "/Trevlamark_Test_Data_leftover"}));
    QCOMPARE(SweepCommand::testDirectories(location + "/keep"), QStringList());
}

void tst_SweepCommand::removesPrefixedDirectories()
{
    QByteArray standardOutput;
    QByteArray standardError;
    QCOMPARE(runSweep({m_location->path()}, &standardOutput, &standardError), 0);
    QCOMPARE(standardError, QByteArray());
    const QDir location(m_location->path());
    QCOMPARE(location.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{"Trevlamark_Test_Data_notes.txt", "keep"}));
    QVERIFY(location.exists(QStringLiteral("keep/Trevlamark_Test_Data_inside")));
    const QString path = QDir::cleanPath(m_location->path());
    QCOMPARE(QString::fromUtf8(standardOutput),
             QStringLiteral("Removed %1/Trevlamark_Test_Data\nRemoved %1/Trevlamark_Test_Data_1765000000\n"
                            "Removed %1/Trevlamark_Test_Data_leftover\n").arg(path));

    QCOMPARE(runSweep({m_location->path()}, &standardOutput, &standardError), 0);
    QCOMPARE(QString::fromUtf8(standardOutput), QStringLiteral("No test directories in %1\n").arg(path));
}

void tst_SweepCommand::refusesMissingLocation_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringList{"/nonexistent/trevlamark"}
                             << "Location \"/nonexistent/trevlamark\" is not an existing directory";
    QTest::newRow("none") << QStringList{} << "sweep needs exactly one LOCATION";
}

void tst_SweepCommand::refusesMissingLocation()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QByteArray standardOutput;
    QByteArray standardError;
    QCOMPARE(runSweep(arguments, &standardOutput, &standardError), 2);
    QVERIFY2(standardError.startsWith("trevlamark-cli: " + message.toUtf8()), standardError.constData());
    QCOMPARE(standardOutput, QByteArray());
}

QTEST_GUILESS_MAIN(tst_SweepCommand)
#include "tst_sweepcommand.moc"
