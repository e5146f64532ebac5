// Measures the run history: how long saving a finished run adds to its end
// (the builder and the store, as `trevlamark-cli run` does it, into a history
// that already holds 10,000 runs), and how long listing those 10,000 runs takes
// in the store and in `trevlamark-cli history`. Prints figures; not a test.
//   bench_historystore CLI_PATH FOLDER

#include "history/runrecordbuilder.h"
#include "history/runstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>

using namespace trevlamark;

namespace {

constexpr int storedRuns = 10000;
constexpr int saves = 20;

// A one-minute run sampled every 0.1 s: 600 samples and its phase markers.
RunRecord minuteLongRun(const QString &location)
{
    TestRequest request;
    request.locationPath = location;
    PerformanceTestResult result;
    result.timestamp = QDateTime::currentDateTime();
    result.success = true;
    result.isAutoStop = true;
    result.metrics = {{QStringLiteral("writeSpeed"), 812.5}, {QStringLiteral("readSpeed"), 1024.25}};
    result.cycleResults.append(CycleResult{1, PhaseResult{812.5, 1ull << 30, 1.3, 2, 1, 3}, PhaseResult{1024.25, 1ull << 30, 1, 2, 1, 3}});
    QList<StreamResult> samples;
    for (int i = 0; i < 600; ++i)
        samples.append({result.timestamp.addMSecs(i * 100), i < 300 ? QStringLiteral("write") : QStringLiteral("read"), 800.0 + i % 50, i * 0.1, i < 300 ? 1 : 2});
    QList<TimelineMarker> markers;
    for (const char *message : {"Start write phase", "End write phase", "Start read phase", "End read phase"})
        markers.append({QUuid::createUuid(), result.timestamp, QString::fromLatin1(message), QStringLiteral("write")});
    return RunRecordBuilder::build(request, result, samples, markers);
}

// CPU time of this process, or of its finished children: on a busy machine
// the wall clock also counts the time other programs had the processor.
double cpuMilliseconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto ms = [](const timeval &time) { return time.tv_sec * 1e3 + time.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 3) {
        out << "usage: bench_historystore CLI_PATH FOLDER\n";
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-history.sqlite");
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    const DatabaseLocation location = *DatabaseLocation::parse(path);

    {
        // One saved run, copied by doubling to the 10,000 a lab collects in time.
        RunStore store(location);
        if (!store.save(minuteLongRun(QDir::tempPath()))) {
            out << store.errorText() << "\n";
            return 1;
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        // Every column but the key.
        const QSqlRecord columns = db.record(QStringLiteral("runs"));
        QStringList names;
        for (int i = 1; i < columns.count(); ++i)
            names.append(columns.fieldName(i));
        while (query.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && query.next() && query.value(0).toInt() < storedRuns)
            query.exec(QStringLiteral("INSERT INTO runs (%1) SELECT %1 FROM runs LIMIT %2")
                           .arg(names.join(QLatin1Char(',')))
                           .arg(storedRuns - query.value(0).toInt()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));

    QList<double> buildTimes;
    QList<double> saveTimes;
    QList<double> saveCpu;
    for (int i = 0; i < saves; ++i) {
        const double cpuBefore = cpuMilliseconds();
        QElapsedTimer clock;
        clock.start();
        const RunRecord record = minuteLongRun(QDir::tempPath());
        buildTimes.append(clock.nsecsElapsed() / 1e6);
        clock.restart();
        RunStore store(location);
        if (!store.save(record)) {
            out << store.errorText() << "\n";
            return 1;
        }
        saveTimes.append(clock.nsecsElapsed() / 1e6);
        saveCpu.append(cpuMilliseconds() - cpuBefore);
    }
    QList<double> totals;
    for (int i = 0; i < saves; ++i)
        totals.append(buildTimes.at(i) + saveTimes.at(i));
    out << QStringLiteral("save at a run's end (600 samples, %1 runs stored, %2 saves): build median %3 ms, "
                          "open+save median %4 ms, total median %5 ms, total max %6 ms, CPU median %7 ms (target <= 50 ms)\n")
               .arg(storedRuns).arg(saves)
               .arg(median(buildTimes), 0, 'f', 2).arg(median(saveTimes), 0, 'f', 2)
               .arg(median(totals), 0, 'f', 2).arg(*std::max_element(totals.begin(), totals.end()), 0, 'f', 2)
               .arg(median(saveCpu), 0, 'f', 2);

    QList<double> listTimes;
    QList<double> listCpu;
    qsizetype listed = 0;
    for (int i = 0; i < 5; ++i) {
        const double cpuBefore = cpuMilliseconds();
        QElapsedTimer clock;
        clock.start();
        RunStore store(location);
        listed = store.list()->size();
        listTimes.append(clock.nsecsElapsed() / 1e6);
        listCpu.append(cpuMilliseconds() - cpuBefore);
    }
    out << QStringLiteral("list %1 runs in the store (open+list): median %2 ms, CPU median %3 ms (target <= 200 ms)\n")
               .arg(listed).arg(median(listTimes), 0, 'f', 1).arg(median(listCpu), 0, 'f', 1);

    QList<double> cliTimes;
    QList<double> cliCpu;
    qsizetype lines = 0;
    for (int i = 0; i < 5; ++i) {
        const double cpuBefore = cpuMilliseconds(RUSAGE_CHILDREN);
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(cli, {QStringLiteral("history"), QStringLiteral("--database"), path});
        process.waitForFinished(60000);
        lines = process.readAllStandardOutput().count('\n') - 1;
        cliTimes.append(clock.nsecsElapsed() / 1e6);
        cliCpu.append(cpuMilliseconds(RUSAGE_CHILDREN) - cpuBefore);
    }
    out << QStringLiteral("trevlamark-cli history with %1 runs (whole process, table printed): median %2 ms, "
                          "CPU median %3 ms (target <= 200 ms)\n")
               .arg(lines).arg(median(cliTimes), 0, 'f', 1).arg(median(cliCpu), 0, 'f', 1);
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        out << "load average while measuring: " << loadAverage.readAll();
    return 0;
}
