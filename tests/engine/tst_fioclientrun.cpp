// Runs from many clients through real `fio --server` processes on loopback
// addresses, against a temporary folder that stands in for the share: what
// only this kind of run does. The contract all runs keep is tst_testrun.

#include "engine/fiobandwidthlog.h"
#include "engine/fioclientrun.h"
#include "engine/fiolatencylog.h"
#include "engine/fiojobfile.h"
#include "engine/fiostatusparser.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "support/fioserver.h"
#include "support/runspy.h"

#include <QDir>
#include <QFile>
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
    void latencyLogCountsLateFrames_data();
    void latencyLogCountsLateFrames();
    void pacedPlaybackFromTwoClients();
    void removalOfManyStreamsLeavesNothing();
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
    parser.feed("Jobs: 1 (f=1), 0B/s-0B/s: [W(1),X(1)][42.9%][w=6150k][w=96 IOPS][eta 00m:04s]\r");
    QCOMPARE(parser.bytesPerSecond(), 6150.0 * 1024);

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
    // Phases shorter than fio's first status line: their figures come only with the jobs' end.
    TestRequest asked = clientsRequest({a.client, b.client, c.client}, 64 * 1048576);
    asked.samplingRateSeconds = 0.05;
    QHash<Phase, double> shownAtPhaseEnd; // what the gauges read when the phase completes
    RunSpy run(asked, [&](const RunProgress &progress) {
        if (progress.phaseThroughput)
            shownAtPhaseEnd.insert(progress.phase, *progress.phaseThroughput);
    });
    QVERIFY(run.finished(120000));
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
        // A phase shorter than fio's status interval is still drawn. How many points fio's bandwidth
        // logs hold for it depends on the machine's load; reading those logs is checked above.
        const qsizetype samples = std::ranges::count_if(run.run->streamResults(), [write](const StreamResult &sample) {
            return sample.operation == (write ? QLatin1String("write") : QLatin1String("read")) && sample.throughput > 0;
        });
        QVERIFY2(samples >= 1, qPrintable(QStringLiteral("no sample in %1 s").arg(aggregate.duration)));
        QCOMPARE(shownAtPhaseEnd.value(write ? Phase::Write : Phase::Read), aggregate.throughput);
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

void TestFioClientRun::latencyLogCountsLateFrames_data()
{
    // 25 fps and a buffer of 2 frames: slots every 40 ms, late after 80 ms.
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<quint64>("frames");
    QTest::addColumn<quint64>("late");
    QTest::addColumn<double>("worstMs");
    QTest::addColumn<double>("elapsedSeconds");

    QTest::newRow("on time") << QByteArray("10, 2000000, 1, 4096, 0\n50, 2000000, 1, 4096, 0\n90, 2000000, 1, 4096, 0\n")
                             << quint64(3) << quint64(0) << 10.0 << 0.12;
    QTest::newRow("one buffer late, then a millisecond more")
        << QByteArray("0, 500000, 1, 4096, 0\n120, 80000000, 1, 4096, 0\n161, 1000000, 1, 4096, 0\n")
        << quint64(3) << quint64(1) << 81.0 << 0.161;
    // A 300 ms stall: the frames behind it complete at once, late until the clock catches up.
    QTest::newRow("a stall makes several late")
        << QByteArray("300, 300000000, 1, 4096\n301, 1000000, 1, 4096\n302, 1000000, 1, 4096\n303, 1000000, 1, 4096\n"
                      "304, 1000000, 1, 4096\n305, 1000000, 1, 4096\n306, 1000000, 1, 4096\n")
        << quint64(7) << quint64(6) << 300.0 << 0.306;
    // Each frame takes 50 ms: the stream issues at once after the last and falls further behind.
    QTest::newRow("a clock that falls behind")
        << QByteArray("50, 50000000, 1, 4096\n100, 50000000, 1, 4096\n150, 50000000, 1, 4096\n200, 50000000, 1, 4096\n"
                      "250, 50000000, 1, 4096\n300, 50000000, 1, 4096\n")
        << quint64(6) << quint64(2) << 100.0 << 0.3;
    QTest::newRow("not a log") << QByteArray("10, 2000000, 1, 4096\nfio: error\n") << quint64(1) << quint64(0) << 10.0 << -1.0;
}

void TestFioClientRun::latencyLogCountsLateFrames()
{
    QFETCH(QByteArray, log);
    QFETCH(quint64, frames);
    QFETCH(quint64, late);
    QFETCH(double, worstMs);
    QFETCH(double, elapsedSeconds);
    const PacedStreamOutcome outcome = FioLatencyLog::read(log, FrameClock(25, 2), 1000);
    QCOMPARE(outcome.error.has_value(), elapsedSeconds < 0);
    QCOMPARE(outcome.tally.frames(), frames);
    QCOMPARE(outcome.tally.lateFrames(), late);
    QCOMPARE(double(outcome.tally.worstLatenessNanoseconds()) / 1e6, worstMs);
    QCOMPARE(outcome.tally.bytes(), frames * 1000);
    if (!outcome.error)
        QCOMPARE(outcome.elapsedSeconds, elapsedSeconds);
}

void TestFioClientRun::pacedPlaybackFromTwoClients()
{
    QTemporaryDir share;
    const int port = FioServer::basePort();
    FioServer a(QStringLiteral("127.0.0.2"), port, share.path());
    FioServer b(QStringLiteral("127.0.0.3"), port + 1, share.path());
    TestRequest asked = clientsRequest({a.client, b.client}, 0);
    asked.writePhaseEnabled = false;
    MediaFormat format;
    format.name = QStringLiteral("Tiny wrapped");
    format.framesPerSecond = 25;
    format.bytesPerFrame = 65536;
    // A buffer of 2 s: a busy test machine must not make a frame late.
    asked.paced = PacedRequest{format, 2, 2, 50};
    RunSpy run(asked);
    QVERIFY(qobject_cast<FioClientRun *>(run.run.get()));
    QVERIFY(run.finished(120000));
    QVERIFY2(run.result->success, qPrintable(run.result->errorMessage.value_or(QString())));

    // Playback only: the data written beforehand is no part of the result.
    const PacedResult paced = run.result->paced.value_or(PacedResult());
    QCOMPARE(paced.directions.size(), 1);
    const PacedDirection &playback = paced.directions.constFirst();
    QVERIFY(!playback.capture);
    QCOMPARE(playback.clients.size(), 2);
    QCOMPARE(playback.clients.at(0).client, a.client.name());
    QCOMPARE(playback.clients.at(1).client, b.client.name());
    QCOMPARE(playback.streams.size(), 4);
    quint64 late = 0;
    for (const PacedFigures &stream : playback.streams) {
        QCOMPARE(stream.frames, quint64(50));
        // Paced by fio at the format's rate, not as fast as it reads.
        QVERIFY2(stream.framesPerSecond > 20 && stream.framesPerSecond < 25.5, qPrintable(QString::number(stream.framesPerSecond)));
        late += stream.lateFrames;
    }
    for (const PacedFigures &client : playback.clients)
        QCOMPARE(client.frames, quint64(100));
    QCOMPARE(playback.total.frames, quint64(200));
    QCOMPARE(playback.total.lateFrames, late);
    QCOMPARE(playback.total.lateFrames, quint64(0));
    QVERIFY(playback.total.latencyMaxMs > 0);
    QVERIFY(paced.verdict(playback).startsWith(QStringLiteral("4 streams of Tiny wrapped (2 on each of 2 clients), playback: 0 of 200 frames late")));
    QVERIFY(std::ranges::any_of(paced.lines(), [&](const QString &line) {
        return line.startsWith(QStringLiteral("  Stream 2 on ") + b.client.name());
    }));
    QVERIFY(run.removed());
    QCOMPARE(TestDirectory::leftovers(share.path()), QStringList());
}

QTEST_GUILESS_MAIN(TestFioClientRun)

#include "tst_fioclientrun.moc"

// Hundreds of stream files in a long-named directory: the list fio unlinks
// must stay within what fio takes in one option, or nothing is removed.
void TestFioClientRun::removalOfManyStreamsLeavesNothing()
{
    QTemporaryDir share;
    const QString directoryName = QStringLiteral("Trevlamark_Test_Data_1_") + QString(120, QLatin1Char('h'));
    QVERIFY(QDir(share.path()).mkdir(directoryName));
    const QList<int> cycles{1, 2};
    const int streams = 300;
    for (const int cycle : cycles) {
        for (int stream = 0; stream < streams; ++stream) {
            QFile file(QDir(share.filePath(directoryName)).filePath(FioJobFile::streamFileName(cycle, stream)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'x')) == 8192);
        }
    }
    QTemporaryDir jobs;
    QFile job(jobs.filePath(QStringLiteral("removal.fio")));
    QVERIFY(job.open(QIODevice::WriteOnly));
    job.write(FioJobFile::removal(share.path(), directoryName, cycles, streams));
    job.close();
    QProcess fio;
    fio.start(QStringLiteral("fio"), {QStringLiteral("--output-format=terse"), job.fileName()});
    QVERIFY(fio.waitForFinished(60000));
    QVERIFY2(fio.exitCode() == 0, fio.readAllStandardError().constData());
    QVERIFY(QDir(share.path()).isEmpty());
}
