#include "history/runstore.h"
#include "support/widgetscreenshot.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/history/historyscreen.h"
#include "ui/history/runcomparisonview.h"
#include "ui/history/rundetailview.h"
#include "ui/history/runtablemodel.h"
#include "ui/history/trendchart.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace trevlamark;

namespace {

// A finished run with one write and one read sample per cycle.
RunRecord record(const QString &location, const QString &protocol, double write, double read, int daysAgo,
                 RunOutcome outcome = RunOutcome::Completed)
{
    RunRecord run;
    run.finishedAt = QDateTime(QDate(2026, 12, 7).addDays(-daysAgo), QTime(9, 30), Qt::UTC);
    run.hostName = QStringLiteral("lab-7");
    run.locationPath = location;
    run.protocol = protocol;
    run.chunkSizeBytes = 1 << 20;
    run.queueDepth = 4;
    run.bytesPerCycle = qint64(1) << 30;
    run.totalCycles = 1;
    run.outcome = outcome;
    run.writeMegabytesPerSecond = write;
    run.readMegabytesPerSecond = read;
    PerformanceTestResult result;
    result.success = outcome != RunOutcome::Failed;
    result.details = {{"chunkSize", "1MB"}, {"queueDepth", "4"}, {"bytesPerCycle", "1.00 GiB"}, {"totalCycles", "1"},
                      {"disableCache", "Disabled"}, {"totalWriteBytes", "1073741824"}};
    result.metrics = {{"writeSpeed", write}, {"readSpeed", read}};
    result.cycleResults = {CycleResult{1, PhaseResult{write, quint64(1) << 30, 1024 / write}, std::nullopt}};
    QList<StreamResult> samples;
    for (int second = 1; second <= 30; ++second)
        samples.append({run.finishedAt.addSecs(second), QStringLiteral("write"), write * (0.9 + second % 3 * 0.1),
                        double(second), 1});
    run.result = RunRecord::resultJson(result, samples, {});
    return run;
}

} // namespace

class tst_HistoryScreen : public QObject
{
    Q_OBJECT

private slots:
    void listFilterSortOpenCompareTrendDeleteExport()
    {
        QTemporaryDir folder;
        DatabaseLocation location;
        location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
        RunStore store(location);
        QVERIFY2(store.open(), qPrintable(store.errorText()));
        const qint64 older = *store.save(record("/mnt/nas", "SMB", 200, 400, 3));
        const qint64 newer = *store.save(record("/mnt/nas", "SMB", 250, 300, 1));
        const qint64 failed = *store.save(record("/mnt/nas", "SMB", 0, 0, 2, RunOutcome::Failed));
        const qint64 local = *store.save(record("/srv/scratch", QString(), 900, 1100, 0));

        HistoryScreen screen(&store);
        screen.resize(760, 620);
        screen.show();
        QCOMPARE(screen.model()->rowCount(), 4);
        screen.setFilterText(QStringLiteral("NAS"));
        QCOMPARE(screen.proxy()->rowCount(), 3);
        screen.table()->sortByColumn(RunTableModel::WriteColumn, Qt::DescendingOrder);
        QCOMPARE(screen.proxy()->index(0, RunTableModel::WriteColumn).data().toString(), QStringLiteral("250.00"));
        screen.setFilterText(QString());
        screen.table()->selectRow(1);
        QCOMPARE(screen.selectedIds(), QList<qint64>{newer});
        testing::saveScreenshots(&screen, QStringLiteral("history-list"));

        QVERIFY(screen.openRun(newer));
        // The chart spans the stored samples.
        QCOMPARE(screen.detailView()->graphs()->timeWindow(), 30.0);
        QVERIFY(screen.summaryText().contains("Settings: chunk size 1MB, 4 streams, 1.00 GiB per cycle, 1 cycle, "
                                              "cache bypass on\n"));
        testing::saveScreenshots(&screen, QStringLiteral("history-run"));

        QVERIFY(screen.compareRuns(newer, older));
        QCOMPARE(screen.comparisonView()->runIds(), (QList<qint64>{older, newer}));
        QCOMPARE(screen.comparisonView()->differenceText(QStringLiteral("Write speed")), QStringLiteral("+25.0 %"));
        QCOMPARE(screen.comparisonView()->differenceText(QStringLiteral("Read speed")), QStringLiteral("-25.0 %"));
        testing::saveScreenshots(&screen, QStringLiteral("history-comparison"));

        screen.showTrend(QStringLiteral("/mnt/nas"));
        QCOMPARE(screen.trendChart()->points().size(), 2);
        QCOMPARE(screen.trendChart()->points().constLast().writeMegabytesPerSecond, 250.0);
        testing::saveScreenshots(&screen, QStringLiteral("history-trend"));

        bool answer = false;
        screen.setConfirmation([&answer](const QString &) { return answer; });
        QCOMPARE(screen.deleteRuns({failed}), 0);
        answer = true;
        QCOMPARE(screen.deleteRuns({failed}), 1);
        QCOMPARE(screen.model()->rowCount(), 3);
        QCOMPARE(store.list()->size(), 3);

        const QString exported = folder.filePath(QStringLiteral("runs.json"));
        QVERIFY(screen.exportRuns({local, older}, QStringLiteral("json"), exported));
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).array().size(), 2);
        QVERIFY(!screen.exportRuns({local}, QStringLiteral("csv"), folder.filePath(QStringLiteral("no/such/runs.csv"))));
        QVERIFY(screen.message().startsWith(QStringLiteral("The export could not be written")));
    }
};

QTEST_MAIN(tst_HistoryScreen)
#include "tst_historyscreen.moc"
