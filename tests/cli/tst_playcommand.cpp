// The media commands as a user runs them: formats, the estimate beside a run
// and in the history, and paced streams with their verdict, their refusals,
// a stop by signal and nothing left in the location afterwards.

#include "support/cliprocess.h"
#include "support/fioserver.h"
#include "support/scratchvolume.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class tst_PlayCommand : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void verdict_data();
    void verdict();
    void stopBySignal();
    void verdictFromTwoClients();
    void findMaxFromTwoClients();
    void customFormats();
    void estimateBesideRunAndHistory();

private:
    QString writeFormatFile(const QTemporaryDir &folder) const;
    QTemporaryDir m_home;
};

QString tst_PlayCommand::writeFormatFile(const QTemporaryDir &folder) const
{
    const QString path = folder.filePath(QStringLiteral("formats.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("{\"formats\": [{\"name\": \"Tiny sequence\", \"width\": 64, \"height\": 64, \"framesPerSecond\": 25, "
               "\"bytesPerFrame\": 65536, \"sequence\": true}, {\"name\": \"Tiny wrapped\", \"width\": 64, \"height\": 64, "
               "\"framesPerSecond\": 25, \"bytesPerFrame\": 65536}]}");
    return path;
}

void tst_PlayCommand::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString format = QStringLiteral("ProRes 422 Proxy HD 25");
    QTest::newRow("unknown format") << QStringList{"--format", "ProRes 999", "--streams", "1"}
                                    << "Unknown format \"ProRes 999\"";
    QTest::newRow("no format") << QStringList{"--streams", "1"} << "play needs --format NAME";
    QTest::newRow("0 streams") << QStringList{"--format", format, "--streams", "0"} << "Streams \"0\" is out of range";
    QTest::newRow("buffer under 1 frame") << QStringList{"--format", format, "--streams", "1", "--buffer", "0"}
                                          << "a buffer under 1 frame";
    QTest::newRow("no duration") << QStringList{"--format", format, "--streams", "1", "--duration", "0"}
                                 << "Duration \"0\" is out of range";
    QTest::newRow("two directions") << QStringList{"--format", format, "--streams", "1", "--capture", "--both"}
                                    << "exclude each other";
    QTest::newRow("a frame sequence from clients")
        << QStringList{"--format", "EXR half RGBA 4K DCI 59.94", "--streams", "1", "--clients", "127.0.0.1:1"}
        << "is a frame sequence, which fio clients cannot pace";
    QTest::newRow("more than the free space")
        << QStringList{"--format", "EXR half RGBA 4K DCI 59.94", "--streams", "1000", "--duration", "86400"}
        << "streams of EXR half RGBA 4K DCI 59.94 for 86400 s need ";
}

void tst_PlayCommand::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir location;
    const CliProcess::Outcome run = CliProcess::run(QStringList{"play", location.path()} + arguments, m_home.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.standardError.contains(message.toUtf8()), run.standardError.constData());
    QVERIFY(QDir(location.path()).isEmpty());
}

void tst_PlayCommand::verdict_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("verdicts");

    // A buffer of 2 s: a busy test machine must not make a frame late.
    QTest::newRow("capture, a file per stream")
        << QStringList{"--format", "ProRes 422 Proxy HD 25", "--streams", "2", "--duration", "2", "--capture",
               "--buffer", "50"}
        << QStringList{"2 streams of ProRes 422 Proxy HD 25, capture: 0 of 100 frames late, worst "};
    QTest::newRow("playback, the data written first")
        << QStringList{"--format", "ProRes 422 Proxy HD 25", "--streams", "1", "--duration", "1", "--buffer", "50", "--verify"}
        << QStringList{"1 stream of ProRes 422 Proxy HD 25, playback: 0 of 25 frames late, worst "};
    QTest::newRow("both, a file per frame, verified")
        << QStringList{"--format", "tiny sequence", "--streams", "1", "--duration", "1", "--both", "--buffer", "50",
               "--verify"}
        << QStringList{"1 stream of Tiny sequence, capture: 0 of 25 frames late, worst ",
               "1 stream of Tiny sequence, playback: 0 of 25 frames late, worst "};
}

void tst_PlayCommand::verdict()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, verdicts);
    QTemporaryDir location;
    QTemporaryDir output;
    const QString json = output.filePath(QStringLiteral("result.json"));
    const CliProcess::Outcome run = CliProcess::run(QStringList{"play", location.path(), "--no-history", "--json", json,
        "--format-file", writeFormatFile(output)} + arguments, m_home.path());
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    for (const QString &verdict : verdicts)
        QVERIFY2(run.standardOutput.contains(verdict.toUtf8()) && run.standardOutput.contains("(buffer 2000 ms)"),
            run.standardOutput.constData());
    QFile file(json);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject paced = QJsonDocument::fromJson(file.readAll()).object().value("paced").toObject();
    QCOMPARE(paced.value("bufferFrames").toInt(), 50);
    QCOMPARE(paced.value("directions").toArray().size(), verdicts.size());
    QVERIFY(QDir(location.path()).isEmpty());
}

void tst_PlayCommand::verdictFromTwoClients()
{
    QTemporaryDir location;
    const int port = trevlamark::FioServer::basePort();
    trevlamark::FioServer a(QStringLiteral("127.0.0.2"), port, location.path());
    trevlamark::FioServer b(QStringLiteral("127.0.0.3"), port + 1, location.path());
    const CliProcess::Outcome run = CliProcess::run({"play", location.path(), "--no-history", "--format",
        "ProRes 422 Proxy HD 25", "--streams", "1", "--duration", "1", "--capture", "--buffer", "50", "--clients",
        a.client.name() + "," + b.client.name()}, m_home.path());
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QVERIFY2(run.standardOutput.contains("2 streams of ProRes 422 Proxy HD 25 (1 on each of 2 clients), capture: 0 of 50 frames late, worst ")
            && run.standardOutput.contains(("Client " + b.client.name() + ": 0 of 25 frames late").toUtf8()),
        run.standardOutput.constData());
    QVERIFY(QDir(location.path()).isEmpty());
}

// A search from two fio clients on a 48 MiB volume: 4 and 8 streams on each
// pass, 16 on each would not fit, so it ends at 8, kept with its steps, and
// leaves nothing behind.
void tst_PlayCommand::findMaxFromTwoClients()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=48m")))
        QSKIP(qPrintable(*problem));
    QTemporaryDir home;
    QTemporaryDir output;
    const int port = trevlamark::FioServer::basePort();
    trevlamark::FioServer a(QStringLiteral("127.0.0.2"), port, volume.mountPoint());
    trevlamark::FioServer b(QStringLiteral("127.0.0.3"), port + 1, volume.mountPoint());
    const CliProcess::Outcome run = CliProcess::run({"play", volume.mountPoint(), "--format", "Tiny wrapped",
        "--format-file", writeFormatFile(output), "--find-max", "--streams", "4", "--duration", "1", "--capture",
        "--buffer", "50", "--clients", a.client.name() + "," + b.client.name()}, home.path());
    const QByteArray told = "exit " + QByteArray::number(run.exitCode) + "\n" + run.standardOutput + run.standardError;
    QVERIFY2(run.standardOutput.contains("plays 8 streams of Tiny wrapped"), told.constData());
    QVERIFY2(run.standardError.contains("cannot hold 16 streams from each of 2 clients for the duration"), told.constData());
    QTRY_VERIFY_WITH_TIMEOUT(QDir(volume.mountPoint()).isEmpty(), 10000);
    const CliProcess::Outcome shown = CliProcess::run({"history", "show", "1"}, home.path());
    QVERIFY2(shown.standardOutput.contains("      8     400            0"), shown.standardOutput.constData());
}

void tst_PlayCommand::stopBySignal()
{
    QTemporaryDir location;
    QProcess process;
    QByteArray standardError;
    connect(&process, &QProcess::readyReadStandardError, &process, [&] { standardError += process.readAllStandardError(); });
    QVERIFY(CliProcess::start(process, {"play", location.path(), "--no-history", "--format", "ProRes 422 Proxy HD 25",
        "--streams", "2", "--duration", "600", "--capture"}, m_home.path()));
    QVERIFY2(QTest::qWaitFor([&] { return standardError.contains("Write - "); }, 30000), standardError.constData());
    QTest::qWait(500);
    ::kill(pid_t(process.processId()), SIGINT);
    const CliProcess::Outcome run = CliProcess::finish(process);
    QCOMPARE(run.exitCode, 128 + SIGINT);
    // The result so far, and no test data left.
    QVERIFY2(run.standardOutput.contains("2 streams of ProRes 422 Proxy HD 25, capture: "), run.standardOutput.constData());
    QVERIFY(QDir(location.path()).isEmpty());
}

void tst_PlayCommand::customFormats()
{
    QTemporaryDir home;
    const CliProcess::Outcome added = CliProcess::run({"formats", "add", "House codec", "--resolution", "1920x1080",
        "--fps", "25", "--mbps", "100"}, home.path());
    QVERIFY2(added.exitCode == 0, added.standardError.constData());
    QVERIFY(added.standardOutput.contains("500000 bytes per frame"));
    const CliProcess::Outcome listed = CliProcess::run({"formats", "--json"}, home.path());
    const QJsonArray formats = QJsonDocument::fromJson(listed.standardOutput).array();
    QCOMPARE(formats.size(), 211);
    QCOMPARE(formats.last().toObject().value("name").toString(), QStringLiteral("House codec"));
    QCOMPARE(formats.last().toObject().value("custom").toBool(), true);
    QCOMPARE(CliProcess::run({"formats", "remove", "house codec"}, home.path()).exitCode, 0);
    QVERIFY(!CliProcess::run({"formats"}, home.path()).standardOutput.contains("House codec"));
    QCOMPARE(CliProcess::run({"formats", "add", "Bad", "--resolution", "wide", "--fps", "25", "--mbps", "1"}, home.path())
                 .exitCode, 2);
}

void tst_PlayCommand::estimateBesideRunAndHistory()
{
    QTemporaryDir home;
    QTemporaryDir location;
    const CliProcess::Outcome run = CliProcess::run({"run", "--bytes", "8MB", "--queue-depth", "1", "--plays", "--json", "-",
        location.path()}, home.path());
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QVERIFY(run.standardError.contains("Estimate from the average write (capture) and read (playback) rates, keeping 20 %"));
    const QJsonObject plays = QJsonDocument::fromJson(run.standardOutput).object().value("plays").toObject();
    QCOMPARE(plays.value("headroomPercent").toInt(), 20);
    QCOMPARE(plays.value("formats").toArray().size(), 210);
    const CliProcess::Outcome shown = CliProcess::run({"history", "show", "1", "--plays"}, home.path());
    QVERIFY2(shown.exitCode == 0, shown.standardError.constData());
    QVERIFY(shown.standardOutput.contains("ProRes 422 HQ UHD 29.97"));
    QVERIFY(shown.standardOutput.contains("Plays (streams; MB/s = 1,048,576 bytes per second)"));
}

QTEST_MAIN(tst_PlayCommand)
#include "tst_playcommand.moc"
