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

#include <algorithm>
#include <csignal>
#include <optional>
#include <utility>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kTestDirectoryPrefix = QStringLiteral("Trevlamark_Test_Data");

QStringList testDirectoryEntries(const QString &location)
{
    return QDir(location).entryList({kTestDirectoryPrefix + QLatin1Char('*')},
                                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// An account without privileges for the runs that must not be root; made once
// and kept, like any system account.
const char *const kTestUserName = "trevlamark-test";

std::optional<std::pair<uid_t, gid_t>> unprivilegedUser()
{
    if (::geteuid() != 0)
        return std::nullopt;
    if (!::getpwnam(kTestUserName)) {
        QProcess::execute(QStringLiteral("useradd"), {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                                                      QString::fromLatin1(kTestUserName)});
    }
    const passwd *entry = ::getpwnam(kTestUserName);
    if (!entry)
        return std::nullopt;
    return std::pair{entry->pw_uid, entry->pw_gid};
}

bool giveTo(const QString &path, std::pair<uid_t, gid_t> user)
{
    return ::chown(QFile::encodeName(path).constData(), user.first, user.second) == 0;
}

// A folder below `base` whose whole path is `length` bytes long, made of
// components well under the 255-byte name limit.
QString longPathBelow(const QString &base, int length)
{
    QString path = base;
    while (path.size() < length) {
        const int remaining = length - int(path.size()) - 1;
        // Leave no remainder shorter than one byte for the last component.
        const int component = remaining > 200 ? std::min(180, remaining - 20) : remaining;
        path += QLatin1Char('/') + QString(component, QLatin1Char('d'));
    }
    return path;
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
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
    void fullFileSystem_data();
    void fullFileSystem();
    void unusableLocation_data();
    void unusableLocation();
    void locationVanishesMidRun_data();
    void locationVanishesMidRun();
    void awkwardLocationNames_data();
    void awkwardLocationNames();
    void killedRunLeavesDirectoryForSweep_data();
    void killedRunLeavesDirectoryForSweep();
    void unwritableLogFolder_data();
    void unwritableLogFolder();
    void damagedSettingsFile_data();
    void damagedSettingsFile();

private:
    void startCli(QProcess &process, const QStringList &arguments);
    static QProcessEnvironment environmentFor(const QString &home);
    static void startCliWith(QProcess &process, const QProcessEnvironment &environment, const QStringList &arguments,
                             std::optional<std::pair<uid_t, gid_t>> user = std::nullopt);

    QTemporaryDir m_home;
};

void tst_RunCommand::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QFileInfo(QStringLiteral(TREVLAMARK_CLI_PATH)).isExecutable());
}

QProcessEnvironment tst_RunCommand::environmentFor(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    return environment;
}

void tst_RunCommand::startCliWith(QProcess &process, const QProcessEnvironment &environment,
                                  const QStringList &arguments, std::optional<std::pair<uid_t, gid_t>> user)
{
    process.setProcessEnvironment(environment);
    if (user) {
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=%1").arg(user->first),
                                  QStringLiteral("--regid=%1").arg(user->second), QStringLiteral("--clear-groups"),
                                  QStringLiteral("--"), QStringLiteral(TREVLAMARK_CLI_PATH)}
                          + arguments);
    } else {
        process.start(QStringLiteral(TREVLAMARK_CLI_PATH), arguments);
    }
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
}

void tst_RunCommand::startCli(QProcess &process, const QStringList &arguments)
{
    startCliWith(process, environmentFor(m_home.path()), arguments);
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

void tst_RunCommand::fullFileSystem_data()
{
    QTest::addColumn<QString>("volumeSize");
    QTest::addColumn<QString>("bytesPerCycle");
    QTest::addColumn<quint64>("volumeBytes");
    QTest::newRow("16 MiB volume, 64 MB cycle") << "16m" << "64MB" << quint64(16) * 1024 * 1024;
    QTest::newRow("64 MiB volume, 256 MB cycle") << "64m" << "256MB" << quint64(64) * 1024 * 1024;
}

void tst_RunCommand::fullFileSystem()
{
    QFETCH(QString, volumeSize);
    QFETCH(QString, bytesPerCycle);
    QFETCH(quint64, volumeBytes);
    if (::geteuid() != 0)
        QSKIP("needs root to mount a small tmpfs");
    QTemporaryDir location;
    QTemporaryDir output;
    QVERIFY(location.isValid() && output.isValid());
    QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                               {"-t", "tmpfs", "-o", "size=" + volumeSize, "tmpfs", location.path()}), 0);
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {location.path()}); });
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));

    QProcess process;
    startCli(process, {"run", "--quiet", "--bytes", bytesPerCycle, "--queue-depth", "2", "--json", jsonPath,
                       location.path()});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardOutput = process.readAllStandardOutput();
    const QByteArray standardError = process.readAllStandardError();
    // The engine reports the failed writes as a result with success false.
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 1, standardError.constData());
    QVERIFY2(standardOutput.startsWith("Details (1 cycle)\nWrite failed: No space left on device\n"),
             standardOutput.constData());
    QVERIFY2(standardError.contains("trevlamark-cli: Write failed: No space left on device\n"),
             standardError.constData());

    // What was written before the volume filled up is kept in the result.
    const QJsonObject result = readJson(jsonPath);
    QCOMPARE(result.value("success").toBool(true), false);
    QCOMPARE(result.value("errorMessage").toString(), QStringLiteral("Write failed: No space left on device"));
    const QJsonObject details = result.value("details").toObject();
    QCOMPARE(details.value("cycleCompletion").toString(), QStringLiteral("Failed"));
    const quint64 written = details.value("totalWriteBytes").toString().toULongLong();
    QVERIFY2(written > 0 && written <= volumeBytes, qPrintable(QString::number(written)));
    const QJsonArray cycles = result.value("cycleResults").toArray();
    QCOMPARE(cycles.size(), 1);
    QCOMPARE(quint64(cycles.at(0).toObject().value("writePhase").toObject().value("bytes").toDouble()), written);
    QVERIFY(!cycles.at(0).toObject().contains("readPhase"));
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
}

void tst_RunCommand::unusableLocation_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only tmpfs") << "ro-tmpfs";
    QTest::newRow("read-only bind mount") << "ro-bind";
    QTest::newRow("folder of another user") << "other-user";
}

void tst_RunCommand::unusableLocation()
{
    QFETCH(QString, kind);
    if (::geteuid() != 0)
        QSKIP("needs root to mount and to switch to an unprivileged user");
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString location = parent.filePath(QStringLiteral("location"));
    QVERIFY(QDir().mkdir(location));
    QStringList mounted;
    const auto unmount = qScopeGuard([&] {
        for (const QString &path : mounted)
            QProcess::execute(QStringLiteral("umount"), {path});
    });
    std::optional<std::pair<uid_t, gid_t>> user;
    QTemporaryDir userHome;
    QProcessEnvironment environment = environmentFor(m_home.path());
    if (kind == QLatin1String("ro-tmpfs")) {
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", location}), 0);
        mounted.prepend(location);
    } else if (kind == QLatin1String("ro-bind")) {
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"--bind", location, location}), 0);
        mounted.prepend(location);
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,bind,ro", location}), 0);
    } else {
        user = unprivilegedUser();
        if (!user)
            QSKIP("no unprivileged user could be made");
        // The user may reach the location but not write into it; its own home
        // is writable so the run gets as far as the location check.
        QVERIFY(QFile::setPermissions(parent.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                         | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(location, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                    | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(userHome.isValid() && giveTo(userHome.path(), *user));
        environment = environmentFor(userHome.path());
    }

    QProcess process;
    startCliWith(process, environment, {"run", "--bytes", "8MB", "--queue-depth", "2", location}, user);
    QVERIFY(process.waitForFinished(60000));
    const QString standardError = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 2, qPrintable(standardError));
    QVERIFY2(standardError.contains(QStringLiteral("is not writable; allowed:")), qPrintable(standardError));
    QCOMPARE(QDir(location).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void tst_RunCommand::locationVanishesMidRun_data()
{
    QTest::addColumn<bool>("removeLocation"); // false: the location is renamed
    QTest::newRow("location renamed") << false;
    QTest::newRow("location removed") << true;
}

void tst_RunCommand::locationVanishesMidRun()
{
    QFETCH(bool, removeLocation);
    QTemporaryDir parent;
    QTemporaryDir output;
    QVERIFY(parent.isValid() && output.isValid());
    const QString location = parent.filePath(QStringLiteral("location"));
    const QString movedLocation = parent.filePath(QStringLiteral("moved"));
    QVERIFY(QDir().mkdir(location));
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));

    QProcess process;
    startCli(process, {"run", "--bytes", "1GB", "--cache", "--chunk", "64K", "--queue-depth", "2", "--cycles", "2",
                       "--json", jsonPath, location});
    QByteArray standardError;
    connect(&process, &QProcess::readyReadStandardError, this,
            [&] { standardError += process.readAllStandardError(); });
    QTRY_VERIFY_WITH_TIMEOUT(standardError.contains("Cycle 1/2 Write"), 30000);
    if (removeLocation)
        QVERIFY(QDir(location).removeRecursively());
    else
        QVERIFY(QDir().rename(location, movedLocation));

    QVERIFY(process.waitForFinished(180000));
    standardError += process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 1, standardError.constData());
    const QJsonObject result = readJson(jsonPath);
    QCOMPARE(result.value("success").toBool(true), false);
    QVERIFY2(!result.value("errorMessage").toString().isEmpty(), standardError.constData());
    QVERIFY(!QFileInfo::exists(location));
    if (!removeLocation) {
        // What the run could not remove under its old name goes with a sweep of the new one.
        QProcess sweep;
        startCli(sweep, {"sweep", movedLocation});
        QVERIFY(sweep.waitForFinished(60000));
        QCOMPARE(sweep.exitCode(), 0);
        QCOMPARE(testDirectoryEntries(movedLocation), QStringList());
    }
}

namespace {

void addAwkwardLocationRows()
{
    QTest::addColumn<QString>("name"); // below the temporary folder; "#long" marks a long path
    QTest::addColumn<int>("length");
    QTest::newRow("spaces") << " a location with  spaces " << 0;
    QTest::newRow("newline") << "line\nbreak" << 0;
    QTest::newRow("non-ASCII") << QStringLiteral("Prüfung ñ 測試 ✓") << 0;
    QTest::newRow("backslash and quotes") << "back\\slash \"quoted\" 'single'" << 0;
    QTest::newRow("4,000-byte path") << "#long" << 4000;
}

QString makeAwkwardLocation(const QTemporaryDir &parent, const QString &name, int length)
{
    const QString path = name == QLatin1String("#long") ? longPathBelow(parent.path(), length) : parent.filePath(name);
    return QDir().mkpath(path) ? path : QString();
}

} // namespace

void tst_RunCommand::awkwardLocationNames_data()
{
    addAwkwardLocationRows();
    // The test directory and its file names push this one past the path limit.
    QTest::newRow("too long for the test files") << "#long" << 4060;
}

void tst_RunCommand::awkwardLocationNames()
{
    QFETCH(QString, name);
    QFETCH(int, length);
    QTemporaryDir parent;
    QTemporaryDir output;
    QVERIFY(parent.isValid() && output.isValid());
    const QString location = makeAwkwardLocation(parent, name, length);
    QVERIFY(!location.isEmpty());
    const QString jsonPath = output.filePath(QStringLiteral("result.json"));
    const bool fits = length == 0 || length <= 4000;

    QProcess process;
    startCli(process, {"run", "--quiet", "--bytes", "8MB", "--queue-depth", "2", "--json", jsonPath, location});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardError = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    if (fits) {
        QVERIFY2(process.exitCode() == 0, standardError.constData());
        const QJsonObject result = readJson(jsonPath);
        QCOMPARE(result.value("success").toBool(), true);
        QCOMPARE(result.value("details").toObject().value("testPath").toString(), location);
        QCOMPARE(result.value("details").toObject().value("totalWriteBytes").toString(), QStringLiteral("8388608"));
    } else {
        QVERIFY2(process.exitCode() == 1, standardError.constData());
        QVERIFY2(standardError.contains("trevlamark-cli: "), standardError.constData());
    }
    QCOMPARE(testDirectoryEntries(location), QStringList());
}

void tst_RunCommand::killedRunLeavesDirectoryForSweep_data()
{
    addAwkwardLocationRows();
    QTest::newRow("plain") << "plain" << 0;
}

void tst_RunCommand::killedRunLeavesDirectoryForSweep()
{
    QFETCH(QString, name);
    QFETCH(int, length);
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString location = makeAwkwardLocation(parent, name, length);
    QVERIFY(!location.isEmpty());

    QProcess process;
    startCli(process, {"run", "--bytes", "16GB", "--cache", "--queue-depth", "2", location});
    QByteArray standardError;
    connect(&process, &QProcess::readyReadStandardError, this,
            [&] { standardError += process.readAllStandardError(); });
    QTRY_VERIFY_WITH_TIMEOUT(standardError.contains("Cycle 1/1 Write"), 30000);
    QCOMPARE(::kill(pid_t(process.processId()), SIGKILL), 0);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    const QStringList leftovers = testDirectoryEntries(location);
    QCOMPARE(leftovers.size(), 1);

    QProcess sweep;
    startCli(sweep, {"sweep", location});
    QVERIFY(sweep.waitForFinished(60000));
    const QString sweepOutput = QString::fromUtf8(sweep.readAllStandardOutput());
    QVERIFY2(sweep.exitCode() == 0, sweep.readAllStandardError().constData());
    QCOMPARE(sweepOutput, QStringLiteral("Removed %1/%2\n").arg(location, leftovers.constFirst()));
    QCOMPARE(testDirectoryEntries(location), QStringList());
    QVERIFY(QFileInfo(location).isDir());
}

void tst_RunCommand::unwritableLogFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("log folder is a file") << "file" << QByteArray("Not a directory");
    QTest::newRow("log folder read-only to its user") << "read-only" << QByteArray("Permission denied");
    QTest::newRow("log volume full") << "full" << QByteArray("No space left on device");
}

void tst_RunCommand::unwritableLogFolder()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, reason);
    std::optional<std::pair<uid_t, gid_t>> user;
    if (kind != QLatin1String("file") && ::geteuid() != 0)
        QSKIP("needs root to switch to an unprivileged user or to mount a full volume");
    QTemporaryDir home;
    QTemporaryDir location;
    QVERIFY(home.isValid() && location.isValid());
    const QString logFolder = home.filePath(QStringLiteral(".local/state/qormix"));
    const auto unmount = qScopeGuard([&] {
        if (kind == QLatin1String("full"))
            QProcess::execute(QStringLiteral("umount"), {logFolder});
    });
    if (kind == QLatin1String("read-only")) {
        user = unprivilegedUser();
        if (!user)
            QSKIP("no unprivileged user could be made");
        QVERIFY(QDir().mkpath(logFolder));
        for (const QString &path : {home.path(), home.filePath(".local"), home.filePath(".local/state"), logFolder,
                                    location.path()})
            QVERIFY(giveTo(path, *user));
        QVERIFY(QFile::setPermissions(logFolder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (kind == QLatin1String("full")) {
        QVERIFY(QDir().mkpath(logFolder));
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", logFolder}), 0);
        // The log file exists and every block of the volume is taken.
        QFile log(logFolder + QStringLiteral("/trevlamark.log"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        QFile filler(logFolder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    } else {
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".local/state"))));
        QFile blocker(logFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    QProcess process;
    startCliWith(process, environmentFor(home.path()),
                 {"run", "--verbose", "--bytes", "8MB", "--queue-depth", "2", location.path()}, user);
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardError = process.readAllStandardError();
    // The messages are lost and said to be; the run itself is not affected.
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, standardError.constData());
    QVERIFY2(standardError.contains("Error writing to log file: " + reason + '\n'), standardError.constData());
    QVERIFY(process.readAllStandardOutput().contains("Details (1 cycle)"));
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
    QCOMPARE(QFileInfo(logFolder + QStringLiteral("/trevlamark.log")).size(), 0);
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
    QVERIFY(home.isValid() && location.isValid());
    const QString settingsFolder = home.filePath(QStringLiteral(".config/qormix"));
    QVERIFY(QDir().mkpath(settingsFolder));
    QFile settings(settingsFolder + QStringLiteral("/com.qormix.trevlamark.conf"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    QCOMPARE(settings.write(content), content.size());
    settings.close();

    QProcess process;
    startCliWith(process, environmentFor(home.path()), {"run", "--bytes", "8MB", "--queue-depth", "2", location.path()});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray standardError = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, standardError.constData());
    QCOMPARE(testDirectoryEntries(location.path()), QStringList());
    // The default switches apply: information lines are logged, debug lines are not.
    QFile log(home.filePath(QStringLiteral(".local/state/qormix/trevlamark.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logText = log.readAll();
    QVERIFY2(logText.contains("] [INFO] Created test directory: "), logText.constData());
    QVERIFY(!logText.contains("] [DEBUG] "));
}

QTEST_GUILESS_MAIN(tst_RunCommand)
#include "tst_runcommand.moc"
