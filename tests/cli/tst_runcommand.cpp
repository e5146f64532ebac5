// Runs the built trevlamark-cli as a child process against real folders.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

const QString kTestDirectoryPrefix = QStringLiteral("Trevlamark_Test_Data");

QStringList testDirectoryEntries(const QString &location)
{
    return QDir(location).entryList({kTestDirectoryPrefix + QLatin1Char('*')},
                                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class tst_RunCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void smallRun_data();
    void smallRun();
    void phaseSelection_data();
    void phaseSelection();
    void badInput_data();
    void badInput();
    void unknownCommand();
    void failedStart();
    void stopBySignal_data();
    void stopBySignal();
    void closedStandardOutput();
    void fullFileSystem();

private:
    void startCli(QProcess &process, const QStringList &arguments);

    QTemporaryDir m_home;
};

void tst_RunCommand::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QFileInfo(QStringLiteral(TREVLAMARK_CLI_PATH)).isExecutable());
}

void tst_RunCommand::startCli(QProcess &process, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral(".local/state")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral(".cache")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TREVLAMARK_CLI_PATH), arguments);
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
}

void tst_RunCommand::smallRun_data()
{
    QTest::addColumn<bool>("jsonToStandardOutput");
    QTest::newRow("JSON to a file") << false;
    QTest::newRow("JSON to standard output") << true;
}

void tst_RunCommand::smallRun()
{
    QFETCH(bool, jsonToStandardOutput);
    QTemporaryDir location;
    QTemporaryDir output;
    QVERIFY(location.isValid() && output.isValid());
    const QString jsonPath = jsonToStandardOutput ? QStringLiteral("-") : output.filePath(QStringLiteral("result.json"));

    QProcess process;
    startCli(process, {"run", "--bytes", "8MB", "--chunk", "1MB", "--queue-depth", "2", "--cycles", "2",
                       "--json", jsonPath, location.path()});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardOutput = process.readAllStandardOutput();
    const QByteArray standardError = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, standardError.constData());

    QByteArray json = standardOutput;
    if (!jsonToStandardOutput) {
        QFile file(jsonPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        json = file.readAll();
        QVERIFY(standardOutput.contains("Details (2 cycles)"));
        QVERIFY(standardOutput.contains("Cycle 1\n"));
        QVERIFY(standardOutput.contains("Cycle 2\n"));
        QVERIFY(standardOutput.contains("  Write: 8.00 MB in "));
        QVERIFY(standardOutput.contains("  Read: 8.00 MB in "));
        QVERIFY(standardOutput.contains("Overall write: "));
        QVERIFY(standardOutput.contains("Overall read: "));
    } else {
        // Standard output is the JSON alone; the text result went to standard error.
        QVERIFY(standardError.contains("Details (2 cycles)"));
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    const QJsonObject result = document.object();
    for (const char *key : {"testType", "timestamp", "metrics", "details", "success", "errorMessage", "isAutoStop",
                            "cycleResults"})
        QVERIFY2(result.contains(QLatin1String(key)), key);
    QCOMPARE(result.value("testType").toString(), QStringLiteral("Throughput Test"));
    QVERIFY(QDateTime::fromString(result.value("timestamp").toString(), Qt::ISODateWithMs).isValid());
    QCOMPARE(result.value("success").toBool(), true);
    QVERIFY(result.value("errorMessage").isNull());
    QCOMPARE(result.value("isAutoStop").toBool(), true);
    const QJsonObject metrics = result.value("metrics").toObject();
    QVERIFY(metrics.value("writeSpeed").toDouble() > 0);
    QVERIFY(metrics.value("readSpeed").toDouble() > 0);

    const QJsonObject details = result.value("details").toObject();
    QCOMPARE(details.value("testType").toString(), QStringLiteral("Streaming I/O Test"));
    QCOMPARE(details.value("chunkSize").toString(), QStringLiteral("1MB"));
    QVERIFY(!details.value("bytesPerCycle").toString().isEmpty());
    QCOMPARE(details.value("queueDepth").toString(), QStringLiteral("2"));
    QCOMPARE(details.value("disableCache").toString(), QStringLiteral("Disabled"));
    QCOMPARE(details.value("totalCycles").toString(), QStringLiteral("2"));
    QCOMPARE(details.value("cycleCompletion").toString(), QStringLiteral("Complete"));
    QVERIFY(!details.contains("targetCycles"));
    QCOMPARE(details.value("writePhaseEnabled").toString(), QStringLiteral("Yes"));
    QCOMPARE(details.value("readPhaseEnabled").toString(), QStringLiteral("Yes"));
    QCOMPARE(details.value("testPath").toString(), QDir::cleanPath(location.path()));
    QCOMPARE(details.value("totalWriteBytes").toString(), QStringLiteral("16777216"));
    QCOMPARE(details.value("totalReadBytes").toString(), QStringLiteral("16777216"));
    QVERIFY(details.value("writeTime").toString().toDouble() > 0);
    QVERIFY(details.value("readTime").toString().toDouble() > 0);

    const QJsonArray cycles = result.value("cycleResults").toArray();
    QCOMPARE(cycles.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject cycle = cycles.at(i).toObject();
        QCOMPARE(cycle.value("cycleNumber").toInt(), i + 1);
        for (const char *phase : {"writePhase", "readPhase"}) {
            const QJsonObject figures = cycle.value(QLatin1String(phase)).toObject();
            QCOMPARE(figures.value("bytes").toDouble(), 8388608.0);
            QVERIFY(figures.value("throughput").toDouble() > 0);
            QVERIFY(figures.value("duration").toDouble() > 0);
            for (const char *latency : {"latencyIOToSync", "latencySyncToClose", "latencyTotal"})
                QVERIFY2(figures.value(QLatin1String(latency)).toDouble() >= 0, latency);
        }
    }
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

void tst_RunCommand::phaseSelection_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("phasesByCycle"); // "W", "R" or "WR" per cycle
    QTest::addColumn<QString>("writePhaseEnabled");
    QTest::addColumn<QString>("readPhaseEnabled");
    QTest::newRow("write only") << "--no-read" << "W W" << "Yes" << "No";
    // The first cycle writes the data the later ones read.
    QTest::newRow("read only") << "--no-write" << "WR R" << "No" << "Yes";
}

void tst_RunCommand::phaseSelection()
{
    QFETCH(QString, option);
    QFETCH(QString, phasesByCycle);
    QFETCH(QString, writePhaseEnabled);
    QFETCH(QString, readPhaseEnabled);
    QTemporaryDir location;
    QVERIFY(location.isValid());
    QProcess process;
    startCli(process, {"run", "--quiet", "--bytes", "8MB", "--queue-depth", "2", "--cycles", "2", option,
                       "--json", "-", location.path()});
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 0);
    const QJsonObject result = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    const QJsonObject details = result.value("details").toObject();
    QCOMPARE(details.value("writePhaseEnabled").toString(), writePhaseEnabled);
    QCOMPARE(details.value("readPhaseEnabled").toString(), readPhaseEnabled);
    QStringList phases;
    for (const QJsonValue &value : result.value("cycleResults").toArray()) {
        const QJsonObject cycle = value.toObject();
        phases.append(QString(cycle.contains("writePhase") ? "W" : "") + (cycle.contains("readPhase") ? "R" : ""));
    }
    QCOMPARE(phases.join(QLatin1Char(' ')), phasesByCycle);
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

void tst_RunCommand::badInput_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("location"); // below the temporary folder; empty: the folder itself
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown chunk size") << QStringList{"--chunk", "3MB"} << ""
        << "Unknown chunk size \"3MB\"; allowed: 64K, 128K, 256K, 512K, 1MB, 2MB, 4MB, 8MB, 16MB, 32MB, 64MB";
    QTest::newRow("queue depth 0") << QStringList{"--queue-depth", "0"} << ""
        << "Queue depth \"0\" is out of range; allowed: a whole number from 1 to 256";
    QTest::newRow("queue depth 257") << QStringList{"--queue-depth", "257"} << ""
        << "Queue depth \"257\" is out of range; allowed: a whole number from 1 to 256";
    QTest::newRow("cycles 0") << QStringList{"--cycles", "0"} << ""
        << "Cycles \"0\" is out of range; allowed: a whole number from 1 to 2147483647";
    QTest::newRow("amount 0") << QStringList{"--bytes", "0GB"} << "" << "Bytes per cycle \"0GB\" is zero; allowed:";
    QTest::newRow("amount beyond 64 bits") << QStringList{"--bytes", "17179869184GB"} << ""
        << "Bytes per cycle \"17179869184GB\" does not fit in 64 bits; allowed: at most 17179869183GB";
    QTest::newRow("malformed amount") << QStringList{"--bytes", "3.5GB"} << ""
        << "Bytes per cycle \"3.5GB\" is not an amount; allowed:";
    QTest::newRow("both phases off") << QStringList{"--no-write", "--no-read"} << ""
        << "--no-write and --no-read cannot be used together";
    QTest::newRow("missing location") << QStringList{} << "missing" << "does not exist; allowed:";
    QTest::newRow("location is a file") << QStringList{} << "plain-file" << "is not a directory; allowed:";
    QTest::newRow("location not writable") << QStringList{} << "read-only" << "is not writable; allowed:";
}

void tst_RunCommand::badInput()
{
    QFETCH(QStringList, options);
    QFETCH(QString, location);
    QFETCH(QString, message);
    if (location == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("root may write into any folder, so a read-only folder cannot be refused");

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString target = folder.path();
    if (location == QLatin1String("plain-file")) {
        target = folder.filePath(location);
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (location == QLatin1String("read-only")) {
        target = folder.filePath(location);
        QVERIFY(QDir().mkdir(target));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner));
    } else if (!location.isEmpty()) {
        target = folder.filePath(location);
    }
    const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QProcess process;
    startCli(process, QStringList{"run"} + options + QStringList{target});
    QVERIFY(process.waitForFinished(30000));
    const QString standardError = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY2(standardError.startsWith(QStringLiteral("trevlamark-cli: ")), qPrintable(standardError));
    QVERIFY2(standardError.contains(message), qPrintable(standardError));
    QCOMPARE(standardError.count(QLatin1Char('\n')), 1);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    if (location == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void tst_RunCommand::unknownCommand()
{
    QProcess process;
    startCli(process, {"benchmark"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().startsWith("trevlamark-cli: unknown command \"benchmark\""));
}

void tst_RunCommand::failedStart()
{
    QTemporaryDir location;
    QVERIFY(location.isValid());
    // Plain files under every test directory name the next seconds can give
    // make the creation of the run's directory fail.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (qint64 seconds = now - 2; seconds <= now + 60; ++seconds) {
        QFile blocker(location.filePath(kTestDirectoryPrefix + QLatin1Char('_') + QString::number(seconds)));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QStringList before = testDirectoryEntries(location.path());

    QProcess process;
    startCli(process, {"run", "--bytes", "8MB", "--queue-depth", "2", location.path()});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray standardError = process.readAllStandardError();
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(standardError.contains("trevlamark-cli: Failed to create test directory\n"), standardError.constData());
    QCOMPARE(testDirectoryEntries(location.path()), before);
}

void tst_RunCommand::stopBySignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("signalCount");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGINT") << int(SIGINT) << 1 << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 1 << 143;
    QTest::newRow("SIGINT twice") << int(SIGINT) << 2 << 130;
    QTest::newRow("SIGHUP") << int(SIGHUP) << 1 << 129;
}

void tst_RunCommand::stopBySignal()
{
    QFETCH(int, signalNumber);
    QFETCH(int, signalCount);
    QFETCH(int, exitCode);
    QTemporaryDir location;
    QTemporaryDir output;
    QVERIFY(location.isValid() && output.isValid());
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));

    QProcess process;
    startCli(process, {"run", "--bytes", "16GB", "--cache", "--queue-depth", "2", "--cycles", "3", "--json",
                       jsonPath, location.path()});
    QByteArray standardError;
    connect(&process, &QProcess::readyReadStandardError, this,
            [&] { standardError += process.readAllStandardError(); });
    // The first progress line means the write phase is under way.
    QTRY_VERIFY_WITH_TIMEOUT(standardError.contains("Cycle 1/3 Write"), 30000);
    QVERIFY(!testDirectoryEntries(location.path()).isEmpty());
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    if (signalCount == 2) {
        // A second signal while the stop syncs the files must not end the
        // process before its test directory is gone.
        QTRY_VERIFY_WITH_TIMEOUT(standardError.contains("stopping the test"), 30000);
        ::kill(pid_t(process.processId()), signalNumber);
    }

    QVERIFY(process.waitForFinished(120000));
    standardError += process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, standardError.constData());
    QVERIFY(process.readAllStandardOutput().contains("Details 1/3 cycles (Manually stopped)"));

    QFile file(jsonPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject result = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(result.value("success").toBool(), true);
    QCOMPARE(result.value("isAutoStop").toBool(), false);
    const QJsonObject details = result.value("details").toObject();
    QCOMPARE(details.value("cycleCompletion").toString(), QStringLiteral("Manually stopped"));
    QCOMPARE(details.value("totalCycles").toString(), QStringLiteral("1"));
    QCOMPARE(details.value("targetCycles").toString(), QStringLiteral("3"));
    QCOMPARE(details.value("disableCache").toString(), QStringLiteral("Enabled"));
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

void tst_RunCommand::closedStandardOutput()
{
    QTemporaryDir location;
    QVERIFY(location.isValid());
    // Like `trevlamark-cli run | true`: the reader is gone before the result comes.
    QProcess process;
    QProcess reader;
    process.setStandardOutputProcess(&reader);
    reader.start(QStringLiteral("true"), QStringList());
    QVERIFY(reader.waitForFinished(30000));
    startCli(process, {"run", "--bytes", "64MB", "--queue-depth", "2", "--cycles", "2", location.path()});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardError = process.readAllStandardError();
    // Not killed by SIGPIPE: the run ends normally, says why it failed, and cleans up.
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(standardError.contains("trevlamark-cli: cannot print the result: Broken pipe"), standardError.constData());
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

void tst_RunCommand::fullFileSystem()
{
    if (::geteuid() != 0)
        QSKIP("needs root to mount a small tmpfs");
    QTemporaryDir location;
    QVERIFY(location.isValid());
    QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                               {"-t", "tmpfs", "-o", "size=16m", "tmpfs", location.path()}), 0);
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {location.path()}); });

    QProcess process;
    startCli(process, {"run", "--quiet", "--bytes", "64MB", "--queue-depth", "2", location.path()});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardOutput = process.readAllStandardOutput();
    const QByteArray standardError = process.readAllStandardError();
    // The engine reports the failed writes as a result with success false.
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 1, standardError.constData());
    QVERIFY2(standardOutput.startsWith("Details (1 cycle)\nWrite failed: "), standardOutput.constData());
    QVERIFY2(standardError.contains("trevlamark-cli: Write failed: "), standardError.constData());
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

QTEST_GUILESS_MAIN(tst_RunCommand)
#include "tst_runcommand.moc"
