// `trevlamark-cli run` saving into the history and `trevlamark-cli history`
// reading it back, end to end through the built CLI, with an SQLite file and
// with the PostgreSQL server the test starts.

#include "support/cliprocess.h"
#include "support/keptrun.h"
#include "support/postgresserver.h"
#include "support/scratchvolume.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class tst_HistoryCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_folder.isValid()); }
    void runsAreSavedAndShown_data();
    void runsAreSavedAndShown();
    void failedSaveStillPrintsTheResult();
    void keptSearchShowsItsCurve();

private:
    CliProcess::Outcome cli(const QStringList &arguments) { return CliProcess::run(arguments, m_folder.path()); }
    CliProcess::Outcome smallRun(const QString &database, const QStringList &extra = {})
    {
        return cli(QStringList{"run", "--quiet", "--bytes", "4MB", "--queue-depth", "2", "--database", database}
            + extra + QStringList{m_folder.path()});
    }

    QTemporaryDir m_folder;
    PostgresServer m_postgres;
};

void tst_HistoryCommand::runsAreSavedAndShown_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgresql") << true;
}

void tst_HistoryCommand::runsAreSavedAndShown()
{
    QFETCH(bool, postgres);
    QString database = m_folder.filePath(QStringLiteral("runs.sqlite"));
    if (postgres) {
        const QString problem = m_postgres.start();
        if (!problem.isEmpty())
            QSKIP(qPrintable(problem));
        database = m_postgres.url();
    }
    QCOMPARE(smallRun(database).exitCode, 0);
    QCOMPARE(smallRun(database, {"--cycles", "2"}).exitCode, 0);
    QCOMPARE(smallRun(database, {"--no-history"}).exitCode, 0);

    const CliProcess::Outcome table = cli({"history", "--database", database});
    QCOMPARE(table.exitCode, 0);
    QCOMPARE(table.standardOutput.count('\n'), 3);
    QVERIFY(table.standardOutput.contains("completed"));

    const QJsonArray runs = QJsonDocument::fromJson(cli({"history", "--json", "--database", database}).standardOutput).array();
    QCOMPARE(runs.size(), 2);
    const QString newest = QString::number(runs.at(0)[QLatin1String("id")].toInteger());
    const QString oldest = QString::number(runs.at(1)[QLatin1String("id")].toInteger());
    QCOMPARE(runs.at(0)[QLatin1String("totalCycles")].toInt(), 2);

    QVERIFY(cli({"history", "show", newest, "--database", database}).standardOutput.contains("Details (2 cycles)"));
    const QByteArray comparison = cli({"history", "compare", oldest, newest, "--database", database}).standardOutput;
    QVERIFY2(comparison.contains("Write speed") && comparison.contains(" %"), comparison.constData());
    QCOMPARE(cli({"history", "export", "--format", "csv", oldest, newest, "--database", database}).standardOutput.count('\n'), 3);
    const QJsonArray exported = QJsonDocument::fromJson(
        cli({"history", "export", "--format", "json", "--database", database}).standardOutput).array();
    QCOMPARE(exported.size(), 2);
    QVERIFY(!exported.at(0)[QLatin1String("result")][QLatin1String("timelineMarkers")].toArray().isEmpty());

    QCOMPARE(cli({"history", "delete", oldest, "--database", database}).exitCode, 0);
    const CliProcess::Outcome missing = cli({"history", "show", oldest, "--database", database});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.standardError.contains("there is no run " + oldest.toUtf8()));
}

void tst_HistoryCommand::failedSaveStillPrintsTheResult()
{
    // A full disk where the history lives; without root, a database under a
    // regular file, which cannot be created either.
    ScratchVolume volume;
    QString database = m_folder.filePath(QStringLiteral("blocker"));
    QFile blocker(database);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    if (!volume.mountTmpfs(QStringLiteral("size=1m"))) {
        database = volume.mountPoint() + QStringLiteral("/history.sqlite");
        QCOMPARE(cli({"history", "--database", database}).exitCode, 0);
        QFile filler(volume.mountPoint() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
    } else {
        database += QStringLiteral("/history.sqlite");
    }
    blocker.close();
    const CliProcess::Outcome run = smallRun(database);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.standardOutput.contains("Overall write"));
    QVERIFY2(run.standardError.contains("the run was not saved"), run.standardError.constData());
}

// A search for the most streams, kept as the run of its answer: "history show"
// prints every step the store gives back, as the search did.
void tst_HistoryCommand::keptSearchShowsItsCurve()
{
    trevlamark::DatabaseLocation location;
    location.filePath = m_folder.filePath(QStringLiteral("search.sqlite"));
    const std::optional<qint64> id = keepRun(location, m_folder.path(), searchResult());
    QVERIFY(id);

    const CliProcess::Outcome shown = cli({"history", "show", QString::number(*id), "--database", location.filePath});
    QVERIFY2(shown.exitCode == 0, shown.standardError.constData());
    const QString text = QString::fromUtf8(shown.standardOutput);
    QVERIFY2(text.contains(QStringLiteral("Streams  Frames  Late frames  p99 frame latency\n"
                                          "      1     500            0             4.5 ms\n"
                                          "      2   1,000            0             6.0 ms\n"
                                          "      3   1,500            0             9.1 ms\n"
                                          "      4   2,000           37            80.2 ms\n"
                                          "plays 3 streams of ProRes 422 HD 25; at 4, 37 of 2,000 frames were late")),
             qPrintable(text));
}

QTEST_GUILESS_MAIN(tst_HistoryCommand)
#include "tst_historycommand.moc"
