#include "history/runstore.h"
#include "support/keptrun.h"
#include "support/widgetscreenshot.h"
#include "ui/app/appearancestyle.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/streamscurvechart.h"
#include "ui/history/historyscreen.h"
#include "ui/history/runcomparisonview.h"
#include "ui/history/rundetailview.h"
#include "ui/history/runtablemodel.h"
#include "ui/history/trendchart.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QSignalSpy>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    // Sizes are measured in the window's own style.
    void initTestCase() { QApplication::setStyle(new AppearanceStyle); }

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
        RunRecord deeper = record("/mnt/nas", "SMB", 150, 170, 4);
        deeper.queueDepth = 16;
        QVERIFY(store.save(deeper));
        const qint64 local = *store.save(
            record("/srv/scratch/projects/2026/feature-film/editorial/render-cache/reel-04", QString(), 900, 1100, 0));

        HistoryScreen screen(location);
        screen.resize(600, 620);
        screen.show();
        // Every call answers later; wait for each before looking.
        const auto settle = [&screen] { QTRY_VERIFY(!screen.isBusy()); };
        settle();
        QCOMPARE(screen.model()->rowCount(), 5);
        // At the narrowest window the figures and the outcome show without scrolling.
        const QTableView *table = screen.table();
        QVERIFY(table->columnViewportPosition(RunTableModel::OutcomeColumn)
                    + table->columnWidth(RunTableModel::OutcomeColumn)
                <= table->viewport()->width());
        const auto row = [&screen](qint64 id) {
            for (int index = 0; index < screen.model()->rowCount(); ++index) {
                if (screen.model()->run(index).id == id)
                    return index;
            }
            return -1;
        };
        QCOMPARE(screen.model()->index(row(failed), RunTableModel::WriteColumn).data().toString(), QStringLiteral("—"));
        screen.setFilterText(QStringLiteral("NAS"));
        QCOMPARE(screen.proxy()->rowCount(), 4);
        screen.table()->sortByColumn(RunTableModel::WriteColumn, Qt::DescendingOrder);
        QCOMPARE(screen.proxy()->index(0, RunTableModel::WriteColumn).data().toString(), QStringLiteral("250.00"));
        screen.setFilterText(QString());
        screen.table()->selectRow(1);
        QCOMPARE(screen.selectedIds(), QList<qint64>{newer});
        // Listed, opened, compared or charted, a run with a long path keeps to the narrowest window.
        const auto fitsTheWindow = [&screen] {
            QCOMPARE(screen.width(), 600);
            QVERIFY2(screen.minimumSizeHint().width() <= 600, qPrintable(QString::number(screen.minimumSizeHint().width())));
        };
        fitsTheWindow();
        testing::saveScreenshots(&screen, QStringLiteral("history-list"));

        screen.openRun(local);
        settle();
        QCOMPARE(screen.page(), HistoryScreen::Page::Run);
        fitsTheWindow();
        // The chart spans the stored samples.
        QCOMPARE(screen.detailView()->graphs()->timeWindow(), 30.0);
        QVERIFY(screen.summaryText().contains("Settings: chunk size 1MB, 4 streams, 1.00 GiB per cycle, 1 cycle, "
                                              "cache bypass on\n"));
        testing::saveScreenshots(&screen, QStringLiteral("history-run"));

        screen.compareRuns(newer, older);
        settle();
        QCOMPARE(screen.comparisonView()->runIds(), (QList<qint64>{older, newer}));
        fitsTheWindow();
        QCOMPARE(screen.comparisonView()->differenceText(QStringLiteral("Write speed")),
                 QStringLiteral("+25.0 % · better"));
        QCOMPARE(screen.comparisonView()->differenceText(QStringLiteral("Read speed")), QStringLiteral("-25.0 % · worse"));
        testing::saveScreenshots(&screen, QStringLiteral("history-comparison"));

        screen.showTrend(screen.model()->run(row(newer)));
        settle();
        fitsTheWindow();
        // Neither the failed run nor the one with another queue depth is drawn, and the note says so.
        const TrendChart *trend = screen.trendChart();
        QCOMPARE(trend->points().size(), 2);
        QCOMPARE(trend->points().constLast().writeMegabytesPerSecond, 250.0);
        QVERIFY2(screen.trendNote().endsWith(QStringLiteral("1 run with other settings is left out.")),
                 qPrintable(screen.trendNote()));
        const TrendChart::Point &last = trend->points().constLast();
        QVERIFY(trend->toolTipAt(QPointF(trend->xFor(last), trend->yFor(300) + 3)).endsWith(QStringLiteral("Read 300.00 MB/s")));
        QVERIFY(trend->toolTipAt(QPointF(trend->xFor(last), trend->yFor(300) - 40)).isEmpty());
        testing::saveScreenshots(&screen, QStringLiteral("history-trend"));

        bool answer = false;
        screen.setConfirmation([&answer](const QString &) { return answer; });
        screen.deleteRuns({failed});
        QVERIFY(!screen.isBusy());
        answer = true;
        screen.deleteRuns({failed});
        settle();
        QCOMPARE(screen.message(), QStringLiteral("1 run deleted."));
        QCOMPARE(screen.model()->rowCount(), 4);
        QCOMPARE(store.list()->size(), 4);

        const QString exported = folder.filePath(QStringLiteral("runs.json"));
        screen.exportRuns({local, older}, QStringLiteral("json"), exported);
        settle();
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).array().size(), 2);
        screen.exportRuns({local}, QStringLiteral("csv"), folder.filePath(QStringLiteral("no/such/runs.csv")));
        settle();
        QVERIFY(screen.message().startsWith(QStringLiteral("The export could not be written")));
    }

    // A kept search for the most streams shows its headline and curve in place of the chart.
    void keptSearchShowsItsCurve()
    {
        QTemporaryDir folder;
        DatabaseLocation location;
        location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
        const std::optional<qint64> id = keepRun(location, QStringLiteral("/mnt/edit"), searchResult());
        QVERIFY(id);
        HistoryScreen screen(location);
        screen.resize(600, 900);
        screen.show();
        screen.openRun(*id);
        QTRY_COMPARE(screen.page(), HistoryScreen::Page::Run);
        QCOMPARE(screen.detailView()->searchHeadline()->text(),
            QStringLiteral("plays 3 streams of ProRes 422 HD 25; at 4, 37 of 2,000 frames were late"));
        QVERIFY(screen.detailView()->searchCurve()->isVisible());
        QVERIFY(!screen.detailView()->graphs()->isVisible());
        QCOMPARE(screen.detailView()->shownChart(), screen.detailView()->searchCurve());
        testing::saveScreenshots(&screen, QStringLiteral("history-search"));

        // The save dialog leaves the window running, and the file is written off its thread.
        const auto buttons = screen.findChildren<QPushButton *>();
        const auto save = std::ranges::find_if(buttons, [](QPushButton *b) { return b->text() == QStringLiteral("Save Chart..."); });
        QVERIFY(save != buttons.end());
        (*save)->click();
        auto *dialog = screen.findChild<QFileDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        const QString png = folder.filePath(QStringLiteral("curve.png"));
        dialog->selectFile(png);
        QVERIFY(QMetaObject::invokeMethod(dialog, "accept"));
        QTRY_COMPARE(screen.message(), QStringLiteral("Chart saved to ") + png);
        QCOMPARE(QImage(png).size(), screen.detailView()->searchCurve()->size() * screen.devicePixelRatio());
    }

    // A team database whose server takes the connection and never answers:
    // the screen opens at once, says it is loading, keeps painting, and
    // reports the failure when the connection's own limit runs out.
    void silentTeamDatabaseNeverHoldsTheWindow()
    {
        // A listening socket nobody accepts from: the kernel completes the
        // handshake, and nothing ever answers the client's first message.
        const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(silent >= 0);
        const auto closeSilent = qScopeGuard([silent] { ::close(silent); });
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QCOMPARE(::bind(silent, reinterpret_cast<sockaddr *>(&address), length), 0);
        QCOMPARE(::listen(silent, 8), 0);
        QCOMPARE(::getsockname(silent, reinterpret_cast<sockaddr *>(&address), &length), 0);
        DatabaseLocation location;
        location.kind = DatabaseLocation::Kind::PostgreSQL;
        location.hostName = QStringLiteral("127.0.0.1");
        location.port = ntohs(address.sin_port);
        location.userName = QStringLiteral("lab");
        location.databaseName = QStringLiteral("runs");

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        HistoryScreen screen(location);
        screen.show();
        QVERIFY(screen.isBusy());
        QCOMPARE(screen.message(), QStringLiteral("Loading the runs from postgresql://lab@127.0.0.1:%1/runs…").arg(location.port));
        QTest::qWait(1000);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY(screen.isBusy());
        QSignalSpy settled(&screen, &HistoryScreen::settled);
        QVERIFY(settled.wait((HistoryScreen::answerLimitSeconds + 5) * 1000));
        QVERIFY2(screen.message().startsWith(QStringLiteral("The run history cannot be opened: ")),
                 qPrintable(screen.message()));
        QVERIFY(ticks >= 50);
    }
};

QTEST_MAIN(tst_HistoryScreen)
#include "tst_historyscreen.moc"
