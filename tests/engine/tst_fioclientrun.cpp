// Runs from many clients through real `fio --server` processes on loopback
// addresses, against a temporary folder that stands in for the share: what
// only this kind of run does. The contract all runs keep is tst_testrun.

#include "engine/fiobandwidthlog.h"
#include "engine/fioclientrun.h"
#include "engine/fiojobfile.h"
#include "engine/fiostatusparser.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "support/fioserver.h"
#include "support/runspy.h"

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

TestRequest clientsRequest(const QList<FioClient> &clients, quint64 bytesPerCycle)
{
    TestRequest request{.queueDepth = 2, .bytesPerCycle = BytesPerCycleOptions::custom,
        .customBytesPerCycle = bytesPerCycle};
    request.locationPath = clients.first().locationPath;
    request.clients = clients;
    return request;
}

// Mid-phase: every client's directory exists and data is moving.
bool writing(RunSpy &spy, const QString &share, int clients)
{
    return spy.moving() && QTest::qWaitFor([&] { return TestDirectory::leftovers(share).size() == clients; }, 30000);
}

} // namespace

class TestFioClientRun : public QObject
{
    Q_OBJECT

private slots:
    void readsClientListsStatusLinesAndBandwidthLogs();
    void aggregateIsTheSumOfTheClients();
    void killedServerLeavesNothingButItsOwnFolder();
    void serverThatStopsAnsweringCannotHoldUpTheEnd();
    void refusedAndMismatchedServersFailBeforeAnythingIsWritten();
};

void TestFioClientRun::readsClientListsStatusLinesAndBandwidthLogs()
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

    // Two jobs' logs: the second started 100 ms after the phase; entries of
    // one job in one interval are averaged, other lines skipped.
    FioBandwidthLog log(100);
    log.addJob("105, 102400, 1, 0, 0\n214, 204800, 1, 0, 0\n", 0);
    log.addJob("6, 51200, 1, 0, 0\n48, 153600, 1, 0, 0\nfio: garbage\n-5, 1, 1, 0, 0\n", 100);
    QCOMPARE(log.totals(), (QMap<qint64, double>{{1, 100.0 + 100.0}, {2, 200.0}}));

    // A path reaches the client's shell whole, though fio's exec engine splits
    // its arguments at spaces and takes ';' and '#' for comments.
    const QString path = QStringLiteral("/mnt/my share;#%n $HOME 'q' \"d\" ü/Trevlamark_Test_Data_1");
    const QString word = FioJobFile::shellWord(path);
    QVERIFY(!word.contains(QLatin1Char(' ')) && !word.contains(QLatin1Char(';')) && !word.contains(QLatin1Char('#'))
        && !word.contains(QLatin1Char('%')));
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf '%s' ") + word});
    QVERIFY(shell.waitForFinished());
    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), path);
}

void TestFioClientRun::aggregateIsTheSumOfTheClients()
{
    QTemporaryDir share;
    const int port = FioServer::basePort();
    FioServer a(QStringLiteral("127.0.0.2"), port, share.path());
    FioServer b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    FioServer c(QStringLiteral("127.0.0.4"), port + 2, share.path());
    TestRequest asked = clientsRequest({a.client, b.client, c.client}, 512 * 1048576);
    asked.samplingRateSeconds = 0.05;
    RunSpy run(asked);
    QVERIFY(run.finished(120000));
    QVERIFY2(run.result->success, qPrintable(run.result->errorMessage.value_or(QString())));
    QCOMPARE(run.result->clientResults.size(), 3);
    for (const bool write : {true, false}) {
        const PhaseResult aggregate = *(write ? run.result->cycleResults.at(0).writePhase : run.result->cycleResults.at(0).readPhase);
        quint64 bytes = 0;
        double slowest = 0;
        for (const ClientResult &client : run.result->clientResults) {
            const PhaseResult phase = *(write ? client.cycleResults.at(0).writePhase : client.cycleResults.at(0).readPhase);
            QCOMPARE(phase.bytes, quint64(512 * 1048576));
            bytes += phase.bytes;
            slowest = std::max(slowest, phase.duration);
        }
        QCOMPARE(aggregate.bytes, bytes);
        QVERIFY(qAbs(aggregate.throughput - double(bytes) / slowest * bytesToMegabytes) <= 0.01 * aggregate.throughput);
        // The chart has the sampling rate of the jobs' bandwidth logs, not fio's one status line a second.
        const qsizetype samples = std::ranges::count_if(run.run->streamResults(), [write](const StreamResult &sample) {
            return sample.operation == (write ? QLatin1String("write") : QLatin1String("read"));
        });
        QVERIFY2(samples >= qsizetype(aggregate.duration / 0.05 / 2), qPrintable(QStringLiteral("%1 samples in %2 s").arg(samples).arg(aggregate.duration)));
    }
    QVERIFY(run.removed());
    QCOMPARE(TestDirectory::leftovers(share.path()), QStringList());
}

void TestFioClientRun::killedServerLeavesNothingButItsOwnFolder()
{
    QTemporaryDir share;
    const int port = FioServer::basePort();
    FioServer a(QStringLiteral("127.0.0.2"), port, share.path());
    FioServer b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    RunSpy run(clientsRequest({a.client, b.client}, quint64(8) << 30));
    QVERIFY(writing(run, share.path(), 2));
    // A sweep from any machine leaves the clients' directories alone while they run.
    QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(TestDirectory::leftovers(share.path()), [](const QString &path) {
        return QFileInfo::exists(QDir(path).filePath(QLatin1String(RunMarker::fileName)));
    }), 10000);
    QCOMPARE(TestDirectory::sweep(share.path()).size(), 2);
    QCOMPARE(TestDirectory::leftovers(share.path()).size(), 2);
    // The percent moves while the phase goes, though fio holds back the jobs' counts.
    QTRY_VERIFY_WITH_TIMEOUT(std::ranges::any_of(run.progress, [](const RunProgress &progress) {
        return progress.phase == Phase::Write && progress.fraction > 0 && progress.fraction < 1;
    }), 20000);
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
    const int port = FioServer::basePort();
    FioServer a(QStringLiteral("127.0.0.2"), port, share.path());
    FioServer b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    auto controller = std::make_unique<FioClientRun>();
    controller->setEndingLimit(8);
    RunSpy run(std::move(controller));
    run.run->start(clientsRequest({a.client, b.client}, quint64(8) << 30));
    QVERIFY(writing(run, share.path(), 2));
    QCOMPARE(::kill(-pid_t(b.process->processId()), SIGSTOP), 0);
    run.run->stop();
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
    const int port = FioServer::basePort();
    FioServer good(QStringLiteral("127.0.0.2"), port, share.path());
    FioServer other(QStringLiteral("127.0.0.3"), port + 1, share.path(),
        {QStringLiteral("python3"), QStringLiteral(TREVLAMARK_SOURCE_DIR "/tests/support/fakefioserver.py"),
            QStringLiteral("127.0.0.3"), QString::number(port + 1), QStringLiteral("1")});
    const FioClient refused{QStringLiteral("127.0.0.4"), port + 2, share.path()};
    RunSpy run(clientsRequest({good.client, other.client, refused}, 64 * 1048576));
    QVERIFY(run.finished());
    QVERIFY(!run.result->success);
    const QString message = *run.result->errorMessage;
    QVERIFY2(message.contains(other.client.name() + QStringLiteral(": bad server cmd version 1")), qPrintable(message));
    QVERIFY2(message.contains(refused.name() + QStringLiteral(": connect: Connection refused")), qPrintable(message));
    QVERIFY(!message.contains(good.client.name()));
    QVERIFY(QDir(share.path()).isEmpty());
    QVERIFY(run.cleaned());
}

QTEST_GUILESS_MAIN(TestFioClientRun)
#include "tst_fioclientrun.moc"
