// Runs the built trevlamark-cli as a child process against real folders: what
// the user sees of a run, a stop, a failure and the cleanup.

#include "support/cliprocess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Starts a run and waits until its first progress line for cycle 1's write.
bool startWriting(QProcess &process, QByteArray &standardError, const QStringList &arguments, const QString &home)
{
    QObject::connect(&process, &QProcess::readyReadStandardError, &process,
        [&] { standardError += process.readAllStandardError(); });
    return CliProcess::start(process, arguments, home)
        && QTest::qWaitFor([&] { return standardError.contains("Write - "); }, 30000);
}

} // namespace

class tst_RunCommand : public QObject
{
    Q_OBJECT

private slots:
    void smallRun_data();
    void smallRun();
    void refusals();
    void unreachableFioServer();
    void failures_data();
    void failures();
    void stopBySignal_data();
    void stopBySignal();
    void closedStandardOutput();
    void killedRunLeavesDirectoryForSweep_data();
    void killedRunLeavesDirectoryForSweep();
    void damagedSettingsFile_data();
    void damagedSettingsFile();

private:
    QTemporaryDir m_home;
};

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
    const QString jsonPath = jsonToStandardOutput ? QStringLiteral("-") : output.filePath(QStringLiteral("result.json"));
    const CliProcess::Outcome run = CliProcess::run({"run", "--bytes", "8MB", "--chunk", "1MB", "--queue-depth", "2",
        "--cycles", "2", "--verify", "--json", jsonPath, location.path()}, m_home.path());
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    // With "--json -" standard output is the JSON alone and the text goes to standard error.
    const QByteArray text = jsonToStandardOutput ? run.standardError : run.standardOutput;
    for (const char *line : {"Details (2 cycles)\nSettings: chunk size 1MB, 2 streams, 8.00 MiB per cycle, 2 cycles, cache bypass on, data verified on read\nCycle 1\n",
             "Cycle 2\n", "  Write: 8.00 MB in ", "  Read: ", " IOPS, latency p50 ", "Overall read: "})
        QVERIFY2(text.contains(line), line);
    const QJsonObject result =
        jsonToStandardOutput ? QJsonDocument::fromJson(run.standardOutput).object() : readJson(jsonPath);
    QCOMPARE(result.keys(), (QStringList{"cycleResults", "details", "errorMessage", "isAutoStop", "metrics", "success",
                                "testType", "timestamp"}));
    QVERIFY(QDateTime::fromString(result.value("timestamp").toString(), Qt::ISODateWithMs).isValid());
    QCOMPARE(result.value("details").toObject().value("testPath").toString(), QDir::cleanPath(location.path()));
    const QJsonArray cycles = result.value("cycleResults").toArray();
    QCOMPARE(cycles.size(), 2);
    QCOMPARE(cycles.at(1).toObject().value("readPhase").toObject().keys(),
        (QStringList{"bytes", "directIORefused", "duration", "fasterThanLink", "latencyIOToSync", "latencySyncToClose",
            "latencyTotal", "operationLatency", "operations", "operationsPerSecond", "throughput"}));
    QCOMPARE(result.value("details").toObject().value("verifyData").toString(), QStringLiteral("Yes"));
    QCOMPARE(CliProcess::testDirectories(location.path()), QStringList());
}

void tst_RunCommand::refusals()
{
    QTemporaryDir folder;
    const QList<std::pair<QStringList, QByteArray>> cases{
        {{"run", "--bytes", "3.5GB", folder.path()}, "trevlamark-cli: Bytes per cycle \"3.5GB\" is not an amount; allowed:"},
        {{"run", "/nonexistent/trevlamark"}, "does not exist; allowed:"},
        {{"benchmark"}, "trevlamark-cli: unknown command \"benchmark\""},
        {{"sweep", "/nonexistent/trevlamark"}, "Location \"/nonexistent/trevlamark\" is not an existing directory"},
        {{"sweep"}, "trevlamark-cli: sweep needs exactly one LOCATION"},
        {{"run", "--clients", "nas:99999", folder.path()}, "Client \"nas:99999\" is not HOST[:PORT][=PATH]"}};
    for (const auto &[arguments, message] : cases) {
        const CliProcess::Outcome run = CliProcess::run(arguments, m_home.path());
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.standardError.contains(message), run.standardError.constData());
        QCOMPARE(run.standardOutput, QByteArray());
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void tst_RunCommand::unreachableFioServer()
{
    QTemporaryDir folder;
    const CliProcess::Outcome run =
        CliProcess::run({"run", "--quiet", "--clients", "127.0.0.9:1", folder.path()}, m_home.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains("trevlamark-cli: fio server 127.0.0.9:1: connect: Connection refused"),
        run.standardError.constData());
    QVERIFY(QDir(folder.path()).isEmpty());
}

void tst_RunCommand::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("message");
    // The check before the run refuses both before anything is written.
    QTest::newRow("folder cannot take a file") << "blocked" << QByteArray("Refused: cannot create a file in ");
    QTest::newRow("cycle does not fit") << "full" << QByteArray("Refused: needs 64.00 MiB, 16.00 MiB free on ");
}

void tst_RunCommand::failures()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, message);
    QTemporaryDir location;
    QTemporaryDir output;
    QString where = location.path();
    if (kind == QLatin1String("full")) {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs");
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=16m", "tmpfs", where}), 0);
    } else {
        // So deep that no name of the run's directory fits in a path.
        while (where.size() < 3950)
            where += QLatin1Char('/') + QString(100, QLatin1Char('d'));
        where += QLatin1Char('/') + QString(4080 - where.size(), QLatin1Char('e'));
        QVERIFY(QDir().mkpath(where));
    }
    const auto unmount = qScopeGuard([&] {
        if (kind == QLatin1String("full"))
            QProcess::execute(QStringLiteral("umount"), {where});
    });
    const QStringList before = CliProcess::testDirectories(where);
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));
    const CliProcess::Outcome run = CliProcess::run(
        {"run", "--quiet", "--bytes", "64MB", "--queue-depth", "2", "--json", jsonPath, where}, m_home.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains("trevlamark-cli: " + message), run.standardError.constData());
    QVERIFY(run.standardOutput.startsWith("Details (0 cycles)\n"));
    QVERIFY(run.standardOutput.contains('\n' + message));
    QVERIFY(readJson(jsonPath).value("errorMessage").toString().startsWith(QString::fromUtf8(message)));
    QCOMPARE(CliProcess::testDirectories(where), before);
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
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));
    QProcess process;
    QByteArray standardError;
    // Two cycles of 8 GB: long enough to be stopped in the first, and the check
    // before the run asks for every cycle's files free, 16 GiB, not 48.
    QVERIFY(startWriting(process, standardError, {"run", "--bytes", "8GB", "--cache", "--queue-depth", "2",
        "--cycles", "2", "--json", jsonPath, location.path()}, m_home.path()));
    QVERIFY(!CliProcess::testDirectories(location.path()).isEmpty());
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    if (signalCount == 2) {
        // A second signal while the stop syncs the files must not end the
        // process before its test directory is gone.
        QTRY_VERIFY_WITH_TIMEOUT(standardError.contains("stopping the test"), 30000);
        ::kill(pid_t(process.processId()), signalNumber);
    }
    const CliProcess::Outcome run = CliProcess::finish(process);
    QVERIFY2(run.exitCode == exitCode, standardError.constData());
    QVERIFY(run.standardOutput.contains("Details 1/2 cycles (Manually stopped)"));
    const QJsonObject result = readJson(jsonPath);
    QCOMPARE(result.value("isAutoStop").toBool(), false);
    QCOMPARE(result.value("details").toObject().value("disableCache").toString(), QStringLiteral("Enabled"));
    QCOMPARE(CliProcess::testDirectories(location.path()), QStringList());
}

void tst_RunCommand::closedStandardOutput()
{
    QTemporaryDir location;
    // Like `trevlamark-cli run | true`: the reader is gone before the result comes.
    QProcess process;
    QProcess reader;
    process.setStandardOutputProcess(&reader);
    reader.start(QStringLiteral("true"), QStringList());
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY(CliProcess::start(process, {"run", "--bytes", "64MB", "--queue-depth", "2", "--cycles", "2",
        location.path()}, m_home.path()));
    const CliProcess::Outcome run = CliProcess::finish(process);
    // Not killed by SIGPIPE: the run ends normally, says why it failed, and cleans up.
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.standardError.contains("trevlamark-cli: cannot print the result: Broken pipe"),
        run.standardError.constData());
    QCOMPARE(CliProcess::testDirectories(location.path()), QStringList());
}

void tst_RunCommand::killedRunLeavesDirectoryForSweep_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "plain";
    QTest::newRow("newline, quotes and non-ASCII") << QStringLiteral("line\nbreak \"quoted\" Prüfung 測試");
}

void tst_RunCommand::killedRunLeavesDirectoryForSweep()
{
    QFETCH(QString, name);
    QTemporaryDir parent;
    const QString location = parent.filePath(name);
    QVERIFY(QDir().mkpath(location));
    QProcess process;
    QByteArray standardError;
    QVERIFY(startWriting(process, standardError, {"run", "--bytes", "16GB", "--cache", "--queue-depth", "2", location},
        m_home.path()));
    const QStringList running = CliProcess::testDirectories(location);
    QCOMPARE(running.size(), 1);
    // While the run lives, its directory is left alone.
    const CliProcess::Outcome skip = CliProcess::run({"sweep", location}, m_home.path());
    QCOMPARE(QString::fromUtf8(skip.standardOutput), QStringLiteral("Skipped %1/%2 (in use by process %3 on this computer)\n")
        .arg(location, running.first()).arg(process.processId()));
    QCOMPARE(CliProcess::testDirectories(location), running);
    QCOMPARE(::kill(pid_t(process.processId()), SIGKILL), 0);
    QCOMPARE(CliProcess::finish(process, 30000).exitStatus, QProcess::CrashExit);
    const QStringList leftovers = CliProcess::testDirectories(location);
    QCOMPARE(leftovers.size(), 1);

    // The fixed name goes too; a plain file with the prefix stays.
    QVERIFY(QDir(location).mkdir(QStringLiteral("Trevlamark_Test_Data")));
    QVERIFY(QFile(location + QStringLiteral("/Trevlamark_Test_Data_notes.txt")).open(QIODevice::WriteOnly));
    CliProcess::Outcome sweep = CliProcess::run({"sweep", location}, m_home.path());
    QVERIFY2(sweep.exitCode == 0, sweep.standardError.constData());
    QCOMPARE(QString::fromUtf8(sweep.standardOutput),
        QStringLiteral("Removed %1/Trevlamark_Test_Data\nRemoved %1/%2\n").arg(location, leftovers.first()));
    QCOMPARE(CliProcess::testDirectories(location), QStringList{"Trevlamark_Test_Data_notes.txt"});
    sweep = CliProcess::run({"sweep", location}, m_home.path());
    QCOMPARE(QString::fromUtf8(sweep.standardOutput), QStringLiteral("No test directories in %1\n").arg(location));
}

void tst_RunCommand::damagedSettingsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 7919 + 13) % 256));
    QTest::newRow("binary garbage") << binary;
    QTest::newRow("broken section and keys") << QByteArray("[General\nlog_INFO_enabled\n=true\n\\\n[");
    QTest::newRow("switches that are not booleans")
        << QByteArray("[General]\nlog_INFO_enabled=maybe\nlog_ERROR_enabled=@Variant(garbage\nDeveloperMode=2\n");
    QTest::newRow("NUL bytes") << QByteArray("[General]\nlog_INFO_enabled=tr\0ue\n\0\0\0", 36);
}

void tst_RunCommand::damagedSettingsFile()
{
    QFETCH(QByteArray, content);
    QTemporaryDir home;
    QTemporaryDir location;
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".config/qormix"))));
    QFile settings(home.filePath(QStringLiteral(".config/qormix/com.qormix.trevlamark.conf")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    QCOMPARE(settings.write(content), content.size());
    settings.close();
    const CliProcess::Outcome run =
        CliProcess::run({"run", "--bytes", "8MB", "--queue-depth", "2", location.path()}, home.path());
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QCOMPARE(CliProcess::testDirectories(location.path()), QStringList());
    // The default switches apply: information lines are logged, debug lines are not.
    QFile log(home.filePath(QStringLiteral(".local/state/qormix/trevlamark.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logText = log.readAll();
    QVERIFY2(logText.contains("] [INFO] "), logText.constData());
    QVERIFY(!logText.contains("] [DEBUG] "));
}

QTEST_GUILESS_MAIN(tst_RunCommand)
#include "tst_runcommand.moc"
