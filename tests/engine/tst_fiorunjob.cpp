// The fio job file that repeats a run's shape, checked by running fio on it
// beside a real run of the same request: the same bytes per phase, in the
// same files, and nothing left behind.

#include "engine/fiorunjob.h"
#include "engine/localtestrun.h"
#include "engine/testdirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

class tst_FioRunJob : public QObject
{
    Q_OBJECT
private slots:
    void fioMovesWhatTheRunMoves_data();
    void fioMovesWhatTheRunMoves();
    void cliPrintsTheJobForARunAndAStoredRun();
};

void tst_FioRunJob::fioMovesWhatTheRunMoves_data()
{
    QTest::addColumn<int>("cycles");
    QTest::addColumn<int>("queueDepth");
    QTest::addColumn<quint64>("bytesPerCycle");
    QTest::addColumn<bool>("writes");
    QTest::addColumn<bool>("reads");
    QTest::newRow("two cycles, four streams") << 2 << 4 << quint64(8 << 20) << true << true;
    QTest::newRow("a cycle that is no multiple of the streams") << 1 << 3 << quint64(10 << 20) << true << true;
    QTest::newRow("read only, two cycles") << 2 << 2 << quint64(4 << 20) << false << true;
    QTest::newRow("write only") << 2 << 2 << quint64(4 << 20) << true << false;
}

void tst_FioRunJob::fioMovesWhatTheRunMoves()
{
    QFETCH(int, cycles);
    QFETCH(int, queueDepth);
    QFETCH(quint64, bytesPerCycle);
    QFETCH(bool, writes);
    QFETCH(bool, reads);
    if (QStandardPaths::findExecutable(QStringLiteral("fio")).isEmpty())
        QSKIP("fio is not installed (scripts/install-deps.sh installs it)");
    QTemporaryDir folder;
    const TestRequest request{.locationPath = folder.path(), .chunkSize = ThroughputTestOptions::size1MB,
        .queueDepth = queueDepth, .bytesPerCycle = BytesPerCycleOptions::custom, .customBytesPerCycle = bytesPerCycle,
        .totalCycles = cycles, .disableCache = false, .writePhaseEnabled = writes, .readPhaseEnabled = reads};

    LocalTestRun run;
    std::optional<PerformanceTestResult> result;
    connect(&run, &TestRun::finished, this, [&result](const PerformanceTestResult &finished) { result = finished; });
    QSignalSpy cleanup(&run, &TestRun::cleanupFinished);
    run.start(request);
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 60000);
    QVERIFY(cleanup.wait(30000) || cleanup.size() == 1);
    QVERIFY(result->success);
    // Phase key "cycle.write" -> bytes, as the run counted them.
    QHash<QString, quint64> runBytes;
    for (const CycleResult &cycle : result->cycleResults) {
        if (cycle.writePhase)
            runBytes.insert(QStringLiteral("%1.write").arg(cycle.cycleNumber), cycle.writePhase->bytes);
        if (cycle.readPhase)
            runBytes.insert(QStringLiteral("%1.read").arg(cycle.cycleNumber), cycle.readPhase->bytes);
    }

    const QString jobPath = folder.filePath(QStringLiteral("run.fio"));
    QFile job(jobPath);
    QVERIFY(job.open(QIODevice::WriteOnly) && job.write(FioRunJob::text(request)) > 0);
    job.close();
    QProcess fio;
    fio.start(QStringLiteral("fio"), {QStringLiteral("--output-format=json"), jobPath});
    QVERIFY(fio.waitForFinished(120000));
    QVERIFY2(fio.exitCode() == 0, fio.readAllStandardError().constData());
    QHash<QString, quint64> fioBytes;
    QHash<QString, QStringList> fioFiles;
    for (const QJsonValue &value : QJsonDocument::fromJson(fio.readAllStandardOutput()).object().value("jobs").toArray()) {
        const QJsonObject object = value.toObject();
        const QStringList name = object.value("jobname").toString().split(QLatin1Char('.'));
        QCOMPARE(name.size(), 3);
        const QString phase = name.at(0).mid(5) + QLatin1Char('.') + name.at(1);
        fioBytes[phase] += quint64(object.value(name.at(1)).toObject().value("io_bytes").toInteger());
        fioFiles[phase] << object.value("job options").toObject().value("filename").toString();
    }
    QCOMPARE(fioBytes, runBytes);
    // Each phase moves the run's files: those of the cycle that last wrote them.
    for (auto phase = fioFiles.cbegin(); phase != fioFiles.cend(); ++phase) {
        const int filesCycle = writes ? phase.key().section(QLatin1Char('.'), 0, 0).toInt() : 1;
        QStringList expected;
        for (int stream = 0; stream < queueDepth; ++stream)
            expected << TestDirectory::cycleFileName(filesCycle, stream);
        QCOMPARE(phase.value(), expected);
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("run.fio")});
}

void tst_FioRunJob::cliPrintsTheJobForARunAndAStoredRun()
{
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("history.sqlite"));
    const QStringList shape{"--bytes", "4MB", "--queue-depth", "2", "--cycles", "2", "--cache"};
    QProcess print;
    print.start(QStringLiteral(TREVLAMARK_CLI_PATH), QStringList{"run", "--fio-job"} + shape + QStringList{folder.path()});
    QVERIFY(print.waitForFinished(30000));
    QCOMPARE(print.exitCode(), 0);
    const QByteArray printed = print.readAllStandardOutput();
    QVERIFY(printed.contains("directory=" + folder.path().toUtf8() + "\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList()); // nothing ran

    QProcess run;
    run.start(QStringLiteral(TREVLAMARK_CLI_PATH),
              QStringList{"run", "--quiet", "--database", database} + shape + QStringList{folder.path()});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QProcess show;
    show.start(QStringLiteral(TREVLAMARK_CLI_PATH), {"history", "show", "1", "--fio-job", "--database", database});
    QVERIFY(show.waitForFinished(30000));
    QCOMPARE(show.exitCode(), 0);
    QCOMPARE(show.readAllStandardOutput(), printed);
}

QTEST_GUILESS_MAIN(tst_FioRunJob)
#include "tst_fiorunjob.moc"
