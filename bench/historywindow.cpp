// Times the History screen over 10,000 kept runs in a SQLite file: listing
// them into the table, the first paint, a sort and a filter.

#include "history/runstore.h"
#include "ui/history/historyscreen.h"
#include "ui/history/runtablemodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace trevlamark;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    constexpr int runCount = 10000;
    QTemporaryDir folder;
    DatabaseLocation location;
    location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
    RunStore store(location);
    if (!store.open()) {
        std::fprintf(stderr, "cannot open the store: %s\n", qPrintable(store.errorText()));
        return 1;
    }
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < runCount; ++i) {
        RunRecord run;
        run.finishedAt = start.addSecs(-600 * i);
        run.hostName = QStringLiteral("lab-7");
        run.locationPath = QStringLiteral("/mnt/share-%1").arg(i % 20);
        run.protocol = i % 2 ? QStringLiteral("SMB") : QStringLiteral("NFS");
        run.chunkSizeBytes = 1 << 20;
        run.queueDepth = 1 << (i % 5);
        run.bytesPerCycle = qint64(1) << 30;
        run.totalCycles = 1 + i % 8;
        run.writeMegabytesPerSecond = 100 + i % 997;
        run.readMegabytesPerSecond = 150 + i % 883;
        if (!store.save(run)) {
            std::fprintf(stderr, "cannot save: %s\n", qPrintable(store.errorText()));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    const qsizetype listed = store.list().value_or(QList<RunRecord>()).size();
    std::printf("list %lld runs from the store alone: %lld ms\n", qlonglong(listed), timer.elapsed());
    timer.restart();
    HistoryScreen screen(location);
    std::printf("build the History screen (widgets; the list loads off the window's thread): %lld ms\n",
                timer.elapsed());
    const auto settle = [&screen] {
        while (screen.isBusy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    timer.restart();
    settle();
    std::printf("list %d runs into the table (store and model): %lld ms\n", runCount, timer.elapsed());
    screen.resize(900, 700);
    timer.restart();
    screen.show();
    QApplication::processEvents();
    screen.repaint();
    std::printf("first paint: %lld ms\n", timer.elapsed());
    timer.restart();
    screen.reload();
    settle();
    std::printf("reload (list and model, sorted by date): %lld ms\n", timer.elapsed());
    timer.restart();
    screen.table()->sortByColumn(RunTableModel::WriteColumn, Qt::AscendingOrder);
    std::printf("sort by write speed: %lld ms\n", timer.elapsed());
    timer.restart();
    screen.setFilterText(QStringLiteral("share-7"));
    std::printf("filter (%d rows left): %lld ms\n", screen.proxy()->rowCount(), timer.elapsed());
    return 0;
}
