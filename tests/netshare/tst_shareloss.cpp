// The sshfs share's server stops in the middle of a write phase: the run must
// end by itself within its waits with a failed result, and a sweep once the
// server is back removes what the run could not. The server runs in a network
// namespace of its own (not the one tst_netshare uses), so both can run at once.

#include "discovery/sharemanager.h"
#include "engine/testdirectory.h"
#include "engine/localtestrun.h"
#include "support/testfileserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

using namespace trevlamark;

namespace {

const QString namespaceName = QStringLiteral("tvlloss");

QString processName(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().trimmed()) : QString();
}

// The server's own children (one per client connection), read before it stops.
QList<pid_t> childrenOf(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    QList<pid_t> children;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &field : file.readAll().split(' ')) {
            if (const int child = field.trimmed().toInt(); child > 0)
                children.append(pid_t(child));
        }
    }
    return children;
}

bool portOpen(const QString &host, int port)
{
    QProcess probe;
    probe.start(QStringLiteral("/bin/bash"),
                {QStringLiteral("-c"), QStringLiteral("exec 3<>/dev/tcp/%1/%2").arg(host).arg(port)});
    return probe.waitForFinished(5000) && probe.exitCode() == 0;
}

} // namespace

class tst_ShareLoss : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void serverStopsDuringWritePhase();
    void cliRunEndsWhenServerStops();
    void unmountedShareIsRefused(); // unmounts the share: last

private:
    void stopServer();
    void restartServer();
    QStringList leftoversAfterSweep() const;

    TestFileServer m_server{QStringLiteral("/run/trevlamark-shareloss"),
                            {{QStringLiteral("NS"), namespaceName},
                             {QStringLiteral("HV"), QStringLiteral("tvllh0")},
                             {QStringLiteral("SV"), QStringLiteral("tvlls0")},
                             {QStringLiteral("HIP"), QStringLiteral("10.231.9.1")},
                             {QStringLiteral("SIP"), QStringLiteral("10.231.9.2")},
                             {QStringLiteral("MNT"), QStringLiteral("/mnt/trevlamark-shareloss")},
                             {QStringLiteral("EXPORT_SIZE"), QStringLiteral("2g")},
                             {QStringLiteral("WITH_DAV"), QStringLiteral("0")},
                             {QStringLiteral("WITH_SMB"), QStringLiteral("0")}}};
    QString m_sshfsMount;
};

void tst_ShareLoss::initTestCase()
{
    if (const std::optional<QString> missing =
            TestFileServer::missingPrerequisite({"sshfs", "fusermount3", "sshd", "nsenter"}))
        QSKIP(qPrintable(*missing));
    QString output;
    QVERIFY2(m_server.up(&output), qPrintable(output));
    m_sshfsMount = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    QVERIFY(QFileInfo(m_sshfsMount).isDir());
}

void tst_ShareLoss::cleanupTestCase()
{
    QString output;
    QVERIFY2(m_server.down(&output), qPrintable(output));
}

void tst_ShareLoss::stopServer()
{
    const pid_t server = m_server.recordedPid(QStringLiteral("sshd"));
    QCOMPARE(processName(server), QStringLiteral("sshd"));
    // The session processes serve the mounted connection; they go too.
    const QList<pid_t> sessions = childrenOf(server);
    QVERIFY(!sessions.isEmpty());
    QCOMPARE(::kill(server, SIGTERM), 0);
    for (const pid_t session : sessions)
        ::kill(session, SIGTERM);
}

void tst_ShareLoss::restartServer()
{
    // Same configuration as the first start.
    QProcess restarted;
    restarted.setProgram(QStringLiteral("nsenter"));
    restarted.setArguments({QStringLiteral("--net=/run/netns/") + namespaceName, QStringLiteral("/usr/sbin/sshd"),
                            QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                            m_server.stateDirectory() + QStringLiteral("/ssh/sshd_config")});
    restarted.setStandardOutputFile(QProcess::nullDevice());
    restarted.setStandardErrorFile(QProcess::nullDevice());
    qint64 restartedPid = 0;
    QVERIFY(restarted.startDetached(&restartedPid));
    // The teardown script stops the server by this record.
    QVERIFY(m_server.recordPid(QStringLiteral("sshd"), restartedPid));
    QTRY_VERIFY_WITH_TIMEOUT(portOpen(QStringLiteral("10.231.9.2"), 2222), 10000);
}

QStringList tst_ShareLoss::leftoversAfterSweep() const
{
    TestDirectory::sweep(m_sshfsMount);
    return QDir(m_sshfsMount).entryList({QStringLiteral("Trevlamark_Test_Data*")}, QDir::AllEntries | QDir::NoDotAndDotDot);
}

void tst_ShareLoss::serverStopsDuringWritePhase()
{
    constexpr quint64 bytesPerCycle = 1536ULL * 1048576;
    LocalTestRun engine;
    QSignalSpy cleanup(&engine, &TestRun::cleanupFinished);
    std::optional<PerformanceTestResult> result;
    double writeProgress = 0;
    connect(&engine, &TestRun::progressed, this, [&writeProgress](const RunProgress &progress) {
        if (progress.phase == Phase::Write)
            writeProgress = progress.fraction;
    });
    connect(&engine, &TestRun::finished, this, [&result](const PerformanceTestResult &finished) { result = finished; });
    engine.start(TestRequest{.locationPath = m_sshfsMount, .chunkSize = ThroughputTestOptions::size1MB, .queueDepth = 2,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = bytesPerCycle});
    QTRY_VERIFY_WITH_TIMEOUT(writeProgress > 0.02, 60000);
    const std::optional<QString> directory = engine.currentTestDirectoryPath();
    QVERIFY(directory);
    QVERIFY(!result);

    QElapsedTimer sinceStop;
    sinceStop.start();
    stopServer();

    // Bounded by the waits for synchronising (45 s), closing (10 s) and stopping (10 s).
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 90000);
    qInfo("the run ended %lld ms after the server stopped: %s", sinceStop.elapsed(),
          qPrintable(result->errorMessage.value_or(QStringLiteral("(no error)"))));
    QVERIFY(!result->success);
    QVERIFY(result->errorMessage && result->errorMessage->startsWith(QLatin1String("Write failed: ")));
    QCOMPARE(result->cycleResults.size(), 1);
    QVERIFY(result->cycleResults.first().writePhase);
    QVERIFY(result->cycleResults.first().writePhase->bytes > 0);
    QVERIFY(!engine.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(cleanup.count(), 1, 90000);
    // With the server gone the run could not remove its directory.
    QCOMPARE(cleanup.at(0).at(1).toBool(), false);

    // The server comes back; the next sweep of the share removes whatever the run left there.
    restartServer();
    QTRY_COMPARE_WITH_TIMEOUT(leftoversAfterSweep(), QStringList(), 60000);
    QVERIFY(!QFileInfo::exists(*directory));
}

void tst_ShareLoss::cliRunEndsWhenServerStops()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral(".local/state")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TREVLAMARK_CLI_PATH),
                  {"run", "--bytes", "1536MB", "--chunk", "1MB", "--queue-depth", "2", m_sshfsMount});
    QVERIFY(process.waitForStarted());
    QByteArray standardError;
    connect(&process, &QProcess::readyReadStandardError, this, [&] { standardError += process.readAllStandardError(); });
    // Stopped once bytes flow: before that the phase is still watching the interface and opening its files.
    const QRegularExpression writing(QStringLiteral("Cycle 1/1 Write - [1-9]"));
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(standardError).contains(writing), 60000);
    stopServer();

    // The waits of the run (45 s, 10 s, 10 s) and the removal's retries bound this.
    QVERIFY(process.waitForFinished(90000));
    standardError += process.readAllStandardError();
    const QByteArray standardOutput = process.readAllStandardOutput();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 1, standardError.constData());
    QVERIFY2(standardOutput.contains("\nWrite failed: "), standardOutput.constData());
    QVERIFY2(standardError.contains("trevlamark-cli: Write failed: "), standardError.constData());
    QVERIFY2(standardError.contains("\"trevlamark-cli sweep\" on its location removes it later"),
             standardError.constData());

    restartServer();
    const auto sweep = [&] {
        QProcess sweeper;
        sweeper.setProcessEnvironment(environment);
        sweeper.start(QStringLiteral(TREVLAMARK_CLI_PATH), {"sweep", m_sshfsMount});
        return sweeper.waitForFinished(60000) && sweeper.exitCode() == 0
            && sweeper.readAllStandardOutput().startsWith("Removed ");
    };
    // The first sweeps may still meet the client's reconnection; one of them removes it.
    bool removed = false;
    QTRY_VERIFY_WITH_TIMEOUT(removed || (removed = sweep()), 60000);
    QCOMPARE(leftoversAfterSweep(), QStringList());
}

// A share chosen while mounted and unmounted before the run starts leaves an
// empty folder of the local disk at its mount point; the run must not measure
// that disk as the share.
void tst_ShareLoss::unmountedShareIsRefused()
{
    const std::optional<NetworkShare> share = ShareManager().routeFor(m_sshfsMount).share;
    QVERIFY(share && share->isDetected);
    QCOMPARE(QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), m_sshfsMount}), 0);
    QVERIFY(QFileInfo(m_sshfsMount).isDir());

    LocalTestRun engine;
    std::optional<PerformanceTestResult> result;
    connect(&engine, &TestRun::finished, this, [&result](const PerformanceTestResult &finished) { result = finished; });
    engine.start(TestRequest{.share = *share, .locationPath = m_sshfsMount, .chunkSize = ThroughputTestOptions::size1MB,
        .queueDepth = 2, .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = 16 * 1048576});
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
    QCOMPARE(result->errorMessage, std::optional<QString>(m_sshfsMount + QStringLiteral(" is no longer mounted")));
    QCOMPARE(QDir(m_sshfsMount).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(tst_ShareLoss)
#include "tst_shareloss.moc"
