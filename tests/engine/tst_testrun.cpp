// The contract every kind of test run keeps, checked on each kind against a
// temporary folder: from this computer, and from two real `fio --server`
// processes on loopback addresses. And the cycle plan they share.

#include "engine/cycleplan.h"
#include "engine/testdirectory.h"
#include "support/fioserver.h"
#include "support/runspy.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace trevlamark;

Q_DECLARE_METATYPE(trevlamark::PlannedPhase)

namespace {

constexpr quint64 mebibyte = 1048576;

PlannedPhase planned(int cycle, Phase phase, int phaseId, int filesCycle, bool flush = false)
{
    return PlannedPhase{cycle, phase, phaseId, filesCycle, flush};
}

} // namespace

class tst_TestRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cyclePlan_data();
    void cyclePlan();
    void runsEveryPhaseAndRemovesItsData_data() { kinds(); }
    void runsEveryPhaseAndRemovesItsData();
    void stopMidPhaseGivesTheResultSoFar_data() { kinds(); }
    void stopMidPhaseGivesTheResultSoFar();
    void cancelMidPhaseGivesNoResult_data() { kinds(); }
    void cancelMidPhaseGivesNoResult();
    void failureIsReportedAndCleanupFollows_data() { kinds(); }
    void failureIsReportedAndCleanupFollows();

private:
    void kinds();
    TestRequest request(quint64 bytesPerCycle, int cycles) const;

    QTemporaryDir m_share;
    std::unique_ptr<FioServer> m_serverA;
    std::unique_ptr<FioServer> m_serverB;
};

void tst_TestRun::initTestCase()
{
    const int port = FioServer::basePort();
    m_serverA = std::make_unique<FioServer>(QStringLiteral("127.0.0.2"), port, m_share.path());
    m_serverB = std::make_unique<FioServer>(QStringLiteral("127.0.0.3"), port + 1, m_share.path());
}

void tst_TestRun::kinds()
{
    QTest::addColumn<bool>("fromClients");
    QTest::newRow("this computer") << false;
    QTest::newRow("fio clients") << true;
}

TestRequest tst_TestRun::request(quint64 bytesPerCycle, int cycles) const
{
    TestRequest request{.locationPath = m_share.path(), .chunkSize = ThroughputTestOptions::size1MB, .queueDepth = 2,
        .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = bytesPerCycle, .totalCycles = cycles};
    request.samplingRateSeconds = 0.05;
    if (QTest::currentDataTag() == QByteArray("fio clients"))
        request.clients = {m_serverA->client, m_serverB->client};
    return request;
}

void tst_TestRun::cyclePlan_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("disableCache");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QList<PlannedPhase>>("phases");
    QTest::newRow("write and read") << true << true << true << 2
        << QList{planned(1, Phase::Write, 0, 1), planned(1, Phase::Read, 1, 1), planned(2, Phase::Write, 2, 2),
               planned(2, Phase::Read, 3, 2)};
    QTest::newRow("write only: fresh files each cycle") << true << false << true << 3
        << QList{planned(1, Phase::Write, 0, 1), planned(2, Phase::Write, 1, 2), planned(3, Phase::Write, 2, 3)};
    QTest::newRow("read only: written once, read again") << false << true << true << 3
        << QList{planned(1, Phase::Write, 0, 1), planned(1, Phase::Read, 1, 1), planned(2, Phase::Read, 2, 1),
               planned(3, Phase::Read, 3, 1)};
    QTest::newRow("read only through the cache flushes first") << false << true << false << 2
        << QList{planned(1, Phase::Write, 0, 1), planned(1, Phase::Read, 1, 1), planned(2, Phase::Read, 2, 1, true)};
    QTest::newRow("one cycle") << true << true << false << 1
        << QList{planned(1, Phase::Write, 0, 1), planned(1, Phase::Read, 1, 1)};
}

void tst_TestRun::cyclePlan()
{
    QFETCH(bool, write);
    QFETCH(bool, read);
    QFETCH(bool, disableCache);
    QFETCH(int, cycles);
    QFETCH(QList<PlannedPhase>, phases);
    const TestRequest asked{.totalCycles = cycles, .disableCache = disableCache, .writePhaseEnabled = write,
        .readPhaseEnabled = read};
    QList<PlannedPhase> walked{CyclePlan::first()};
    while (const std::optional<PlannedPhase> next = CyclePlan::next(asked, walked.constLast()))
        walked.append(*next);
    QCOMPARE(walked, phases);
    // A read-only run counts as writing until its first write is done.
    QCOMPARE(CyclePlan::writesAfter(asked, walked.constFirst(), false), write || read);
    QCOMPARE(CyclePlan::writesAfter(asked, walked.constLast(), true), write);
}

void tst_TestRun::runsEveryPhaseAndRemovesItsData()
{
    QFETCH(bool, fromClients);
    RunSpy spy(request(16 * mebibyte, 2));
    QVERIFY(spy.run->isRunning());
    QVERIFY(spy.finished(120000));
    QVERIFY2(spy.result->success, qPrintable(spy.result->errorMessage.value_or(QString())));
    QVERIFY(spy.result->isAutoStop && !spy.run->isRunning());
    QCOMPARE(spy.result->cycleResults.size(), 2);
    const quint64 perClient = fromClients ? 2 : 1;
    for (const CycleResult &cycle : spy.result->cycleResults) {
        QCOMPARE(cycle.writePhase->bytes, 16 * mebibyte * perClient);
        QCOMPARE(cycle.readPhase->bytes, 16 * mebibyte * perClient);
    }
    QCOMPARE(spy.result->clientResults.size(), fromClients ? 2 : 0);
    // Each phase reports its end, in the plan's order, and the samples follow the run's clock.
    QStringList completions = spy.messages.filter(QStringLiteral("Completing"));
    QCOMPARE(completions, (QStringList{"Completing write phase...", "Completing read phase...",
                              "Completing write phase...", "Completing read phase..."}));
    QCOMPARE(spy.progress.constLast().cycle, 2);
    QCOMPARE(spy.progress.constLast().phaseId, 3);
    const QList<StreamResult> samples = spy.run->streamResults();
    QVERIFY(!samples.isEmpty());
    for (qsizetype i = 1; i < samples.size(); ++i)
        QVERIFY(samples.at(i).seconds >= samples.at(i - 1).seconds && samples.at(i).phaseId >= samples.at(i - 1).phaseId);
    QVERIFY(spy.removed());
    QCOMPARE(TestDirectory::leftovers(m_share.path()), QStringList());
}

void tst_TestRun::stopMidPhaseGivesTheResultSoFar()
{
    QFETCH(bool, fromClients);
    TestRequest asked = request(8192 * mebibyte, 5);
    asked.interfaceInfo = QStringLiteral("eth0 (test)");
    RunSpy spy(asked);
    QVERIFY(spy.moving());
    QVERIFY(spy.messages.constFirst().startsWith(QLatin1String("Cycle 1/5 Write - ")));
    spy.run->stop();
    QVERIFY(!spy.run->isRunning() && spy.finished(60000));
    QVERIFY(spy.result->success && !spy.result->isAutoStop);
    QCOMPARE(spy.detail("cycleCompletion"), QStringLiteral("Manually stopped"));
    QCOMPARE(spy.detail("totalCycles") + spy.detail("targetCycles"), QStringLiteral("15"));
    QCOMPARE(spy.detail("interfaceInfo"), QStringLiteral("eth0 (test)"));
    // fio reports a stopped job's bytes; this computer counts what it moved.
    if (!fromClients) {
        const quint64 written = spy.result->cycleResults.at(0).writePhase->bytes;
        QVERIFY(written > 0 && written < 8192 * mebibyte);
    }
    QVERIFY(spy.removed());
    QCOMPARE(TestDirectory::leftovers(m_share.path()), QStringList());
    // Nothing adds samples after the stop, and a second stop does nothing.
    const qsizetype samples = spy.run->streamResults().size();
    QTest::qWait(1200);
    spy.run->stop();
    QCOMPARE(spy.run->streamResults().size(), samples);
    QCOMPARE(spy.completions, 1);
    QCOMPARE(spy.cleanup.count(), 1);
}

void tst_TestRun::cancelMidPhaseGivesNoResult()
{
    QFETCH(bool, fromClients);
    Q_UNUSED(fromClients)
    RunSpy spy(request(8192 * mebibyte, 2));
    QVERIFY(spy.moving());
    spy.run->cancel();
    QVERIFY(!spy.run->isRunning());
    QVERIFY(spy.removed());
    QCOMPARE(spy.completions, 0);
    QCOMPARE(TestDirectory::leftovers(m_share.path()), QStringList());
    // A cancelled run can start again.
    spy.run->start(request(4 * mebibyte, 1));
    QVERIFY(spy.finished(60000) && spy.result->success);
    QTRY_COMPARE_WITH_TIMEOUT(spy.cleanup.count(), 2, 60000);
}

void tst_TestRun::failureIsReportedAndCleanupFollows()
{
    QFETCH(bool, fromClients);
    TestRequest asked = request(4 * mebibyte, 1);
    // A location that is a file: this computer cannot make its directory in
    // it, and the clients' jobs cannot make their files.
    asked.locationPath = m_share.filePath(QStringLiteral("not-a-folder"));
    QFile file(asked.locationPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    for (FioClient &client : asked.clients)
        client.locationPath = asked.locationPath;
    RunSpy spy(asked);
    QVERIFY(spy.finished(60000));
    QVERIFY(!spy.result->success);
    const QString message = spy.result->errorMessage.value_or(QString());
    QVERIFY2(fromClients ? message.startsWith(QLatin1String("Client 127.0.0.")) : message == QLatin1String("Failed to create test directory"),
        qPrintable(message));
    QVERIFY(spy.cleaned());
    QCOMPARE(spy.completions, 1);
    QVERIFY(QFileInfo(asked.locationPath).isFile());
    QVERIFY(file.remove());
}

QTEST_GUILESS_MAIN(tst_TestRun)
#include "tst_testrun.moc"
