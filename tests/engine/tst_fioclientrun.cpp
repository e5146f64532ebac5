// Runs from many clients through real `fio --server` processes on loopback
// addresses, against a temporary folder that stands in for the share.

#include "engine/fioclientrun.h"
#include "engine/fiostatusparser.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <memory>
#include <unistd.h>

using namespace trevlamark;

namespace {

// A fio server in a process group of its own, so that killing it takes the
// connection's worker with it, as when its machine goes down.
struct Server
{
    FioClient client;
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    Server(const QString &host, int port, const QString &location, const QStringList &program = {})
    {
        client = FioClient{host, port, location};
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
        const QStringList command = program.isEmpty()
            ? QStringList{QStringLiteral("fio"), QStringLiteral("--server=ip:%1,%2").arg(host).arg(port)}
            : program;
        process->start(command.first(), command.mid(1));
        process->waitForStarted();
        if (!program.isEmpty())
            process->waitForReadyRead(10000); // "listening"
        QTest::qWait(700);
    }
    ~Server() { kill(); }
    void kill()
    {
        if (process->state() != QProcess::NotRunning) {
            ::kill(-pid_t(process->processId()), SIGKILL);
            process->waitForFinished(5000);
        }
    }
};

struct Run
{
    FioClientRun controller;
    QSignalSpy cleanup{&controller, &FioClientRun::testDirectoryCleanupFinished};
    std::optional<PerformanceTestResult> result;
    double throughput = 0;

    explicit Run(const QList<FioClient> &clients, quint64 bytesPerCycle)
    {
        TestRequest request{.queueDepth = 2, .bytesPerCycle = BytesPerCycleOptions::custom,
            .customBytesPerCycle = bytesPerCycle};
        request.locationPath = clients.first().locationPath;
        request.clients = clients;
        controller.start(
            request,
            [this](double, const QString &, const QList<StreamResult> &streams, const QList<TimelineMarker> &,
                const QString &, int, int) { throughput = streams.isEmpty() ? 0.0 : streams.last().throughput; },
            [this](const PerformanceTestResult &value) { result = value; });
    }
    bool finished() { return QTest::qWaitFor([this] { return result.has_value(); }, 120000); }
    // Mid-phase: every client's directory exists and data is moving.
    bool writing(const QString &share, int clients)
    {
        return QTest::qWaitFor([&] { return throughput > 0 && TestDirectory::leftovers(share).size() == clients; }, 30000);
    }
    bool cleaned() { return QTest::qWaitFor([this] { return cleanup.count() == 1; }, 60000); }
};

int basePort()
{
    return 20000 + int(QRandomGenerator::global()->bounded(20000));
}

} // namespace

class TestFioClientRun : public QObject
{
    Q_OBJECT

private slots:
    void readsClientListsAndStatusLines();
    void aggregateIsTheSumOfTheClients();
    void stopAndKilledServerLeaveNothingButTheDeadClientsFolder();
    void serverThatStopsAnsweringCannotHoldUpTheEnd();
    void refusedAndMismatchedServersFailBeforeAnythingIsWritten();
};

void TestFioClientRun::readsClientListsAndStatusLines()
{
    QString problem;
    const auto clients = FioClient::parseList(QStringLiteral("nas-a, 10.0.0.2:9000=/mnt/x,[::1]:7"), QStringLiteral("/share"), problem);
    QCOMPARE(clients.value_or(QList<FioClient>()),
        (QList<FioClient>{{QStringLiteral("nas-a"), 8765, QStringLiteral("/share")},
            {QStringLiteral("10.0.0.2"), 9000, QStringLiteral("/mnt/x")}, {QStringLiteral("::1"), 7, QStringLiteral("/share")}}));
    QCOMPARE(clients->at(2).name(), QStringLiteral("[::1]:7"));
    QVERIFY(!FioClient::parseList(QStringLiteral("a,a:8765=/x"), QString(), problem));
    QCOMPARE(problem, QStringLiteral("Client a:8765 is listed twice"));
    QVERIFY(!FioClient::parseList(QStringLiteral("a:70000"), QString(), problem));

    FioStatusParser parser;
    parser.feed("Jobs: 2 (f=2), 0B/s-0B/s: [W(2)][50.0%][w=41");
    parser.feed("0M][w=400 IOPS][eta 00m:03s]\r");
    QCOMPARE(parser.percentDone(), 50.0);
    QCOMPARE(parser.bytesPerSecond(), 410.0 * 1048576);
}

void TestFioClientRun::aggregateIsTheSumOfTheClients()
{
    QTemporaryDir share;
    const int port = basePort();
    Server a(QStringLiteral("127.0.0.2"), port, share.path());
    Server b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    Server c(QStringLiteral("127.0.0.4"), port + 2, share.path());
    Run run({a.client, b.client, c.client}, 64 * 1048576);
    QVERIFY(run.finished());
    QVERIFY2(run.result->success, qPrintable(run.result->errorMessage.value_or(QString())));
    QCOMPARE(run.result->clientResults.size(), 3);
    for (const bool write : {true, false}) {
        const PhaseResult aggregate = *(write ? run.result->cycleResults.at(0).writePhase : run.result->cycleResults.at(0).readPhase);
        quint64 bytes = 0;
        double slowest = 0;
        for (const ClientResult &client : run.result->clientResults) {
            const PhaseResult phase = *(write ? client.cycleResults.at(0).writePhase : client.cycleResults.at(0).readPhase);
            QCOMPARE(phase.bytes, quint64(64 * 1048576));
            bytes += phase.bytes;
            slowest = std::max(slowest, phase.duration);
        }
        QCOMPARE(aggregate.bytes, bytes);
        QVERIFY(qAbs(aggregate.throughput - double(bytes) / slowest * bytesToMegabytes) <= 0.01 * aggregate.throughput);
    }
    QVERIFY(run.cleaned());
    QVERIFY(run.cleanup.at(0).at(1).toBool());
    QCOMPARE(TestDirectory::leftovers(share.path()), QStringList());
}

void TestFioClientRun::stopAndKilledServerLeaveNothingButTheDeadClientsFolder()
{
    QTemporaryDir share;
    const int port = basePort();
    Server a(QStringLiteral("127.0.0.2"), port, share.path());
    Server b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    {
        Run run({a.client, b.client}, quint64(8) << 30);
        QVERIFY(run.writing(share.path(), 2));
        // A sweep from any machine leaves the clients' directories alone while they run.
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(TestDirectory::leftovers(share.path()), [](const QString &path) {
            return QFileInfo::exists(QDir(path).filePath(QLatin1String(RunMarker::fileName)));
        }), 10000);
        QCOMPARE(TestDirectory::sweep(share.path()).size(), 2);
        QCOMPARE(TestDirectory::leftovers(share.path()).size(), 2);
        run.controller.stop();
        QVERIFY(run.finished());
        QCOMPARE(run.result->details.value(QStringLiteral("cycleCompletion")), QStringLiteral("Manually stopped"));
        QVERIFY(run.cleaned());
        QVERIFY(run.cleanup.at(0).at(1).toBool());
        QTest::qWait(1500); // a job that went on writing would bring its folder back
        QCOMPARE(TestDirectory::leftovers(share.path()), QStringList());
    }
    Run run({a.client, b.client}, quint64(8) << 30);
    QVERIFY(run.writing(share.path(), 2));
    b.kill();
    QVERIFY(run.finished());
    QVERIFY(!run.result->success);
    QVERIFY2(run.result->errorMessage->contains(b.client.name()), qPrintable(*run.result->errorMessage));
    QVERIFY(!run.result->errorMessage->contains(a.client.name()));
    QVERIFY(run.cleaned());
    QVERIFY(!run.cleanup.at(0).at(1).toBool());
    const QStringList left = TestDirectory::leftovers(share.path());
    QCOMPARE(left.size(), 1);
    QVERIFY(left.first().endsWith(b.client.directoryTag()));
}

// A server whose machine hangs keeps its connection open and answers nothing;
// stopping the run and removing the folders must still come to an end.
void TestFioClientRun::serverThatStopsAnsweringCannotHoldUpTheEnd()
{
    QTemporaryDir share;
    const int port = basePort();
    Server a(QStringLiteral("127.0.0.2"), port, share.path());
    Server b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    Run run({a.client, b.client}, quint64(8) << 30);
    run.controller.setEndingLimit(8);
    QVERIFY(run.writing(share.path(), 2));
    QCOMPARE(::kill(-pid_t(b.process->processId()), SIGSTOP), 0);
    run.controller.stop();
    QVERIFY(run.finished());
    QVERIFY(run.cleaned());
    QVERIFY(!run.cleanup.at(0).at(1).toBool());
    const QStringList left = TestDirectory::leftovers(share.path());
    QCOMPARE(left.size(), 1);
    QVERIFY(left.first().endsWith(b.client.directoryTag()));
    ::kill(-pid_t(b.process->processId()), SIGCONT);
}

void TestFioClientRun::refusedAndMismatchedServersFailBeforeAnythingIsWritten()
{
    QTemporaryDir share;
    const int port = basePort();
    Server good(QStringLiteral("127.0.0.2"), port, share.path());
    Server other(QStringLiteral("127.0.0.3"), port + 1, share.path(),
        {QStringLiteral("python3"), QStringLiteral(TREVLAMARK_SOURCE_DIR "/tests/support/fakefioserver.py"),
            QStringLiteral("127.0.0.3"), QString::number(port + 1), QStringLiteral("1")});
    const FioClient refused{QStringLiteral("127.0.0.4"), port + 2, share.path()};
    Run run({good.client, other.client, refused}, 64 * 1048576);
    QVERIFY(run.finished());
    QVERIFY(!run.result->success);
    const QString message = *run.result->errorMessage;
    QVERIFY2(message.contains(other.client.name() + QStringLiteral(": bad server cmd version 1")), qPrintable(message));
    QVERIFY2(message.contains(refused.name() + QStringLiteral(": connect: Connection refused")), qPrintable(message));
    QVERIFY(!message.contains(good.client.name()));
    QVERIFY(QDir(share.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestFioClientRun)
#include "tst_fioclientrun.moc"
