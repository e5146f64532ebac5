#include "ui/gauges/newestphaseaverage.h"

#include "support/fullsmoothing.h"


#include <QTest>
#include <limits>

using namespace trevlamark;

namespace {

// One point per row: {seconds, MB/s, phase, 1 for read}.
using Rows = QList<QList<double>>;

QList<TestData> points(const Rows &rows)
{
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000);
    QList<TestData> list;
    for (const QList<double> &row : rows) {
        TestData point;
        point.timestamp = start.addMSecs(qint64(row.at(0) * 1000));
        point.seconds = row.at(0);
        point.throughput = row.at(1);
        point.phaseId = int(row.at(2));
        point.operation = row.at(3) > 0 ? QStringLiteral("read") : QStringLiteral("write");
        list.append(point);
    }
    return list;
}

// What the chart feed hands the gauges: at a new phase of an operation, its older phase goes.
QList<TestData> newestPhasesOnly(const QList<TestData> &list)
{
    QList<TestData> kept;
    for (const TestData &point : list) {
        kept.removeIf([&](const TestData &p) { return p.operation == point.operation && p.phaseId < point.phaseId; });
        const bool older = std::any_of(kept.cbegin(), kept.cend(), [&](const TestData &p) {
            return p.operation == point.operation && p.phaseId > point.phaseId;
        });
        if (!older)
            kept.append(point);
    }
    return kept;
}

// The whole newest write phase smoothed from scratch, as the charts smooth it.
std::optional<double> fullSmoothing(const QList<TestData> &list, int &window)
{
    int newest = std::numeric_limits<int>::min();
    for (const TestData &point : list)
        if (point.operation == QLatin1String("write"))
            newest = std::max(newest, point.phaseId);
    QList<TestData> phase;
    for (const TestData &point : list)
        if (point.operation == QLatin1String("write") && point.phaseId == newest)
            phase.append(point);
    if (phase.isEmpty())
        return std::nullopt;
    return smoothedPhasesFromScratch(phase, window).first().last();
}

} // namespace

class tst_NewestPhaseAverage : public QObject
{
    Q_OBJECT
private slots:
    void growingListMatchesFullSmoothing_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("windowBefore");
        QTest::addColumn<bool>("feedDropsOldPhases");
        QTest::addColumn<int>("windowAfter");
        const Rows steady{{0.1, 100, 0, 0}, {0.2, 130, 0, 0}, {0.3, 90, 0, 0}, {0.4, 120, 0, 0}};
        QTest::newRow("steady phase") << steady << 1 << false << 1;
        QTest::newRow("window widened elsewhere") << steady << 3 << false << 3;
        const Rows zeros{{0.1, 0, 0, 0}, {0.2, 0, 0, 0}, {0.3, 0, 0, 0}, {0.4, 40, 0, 0},
                         {0.5, 80, 0, 0}, {0.6, 0, 0, 0}, {0.7, 70, 0, 0}, {0.8, 90, 0, 0}};
        QTest::newRow("leading empty samples widen the window") << zeros << 1 << false << 4;
        const Rows phases{{0.1, 300, 0, 0}, {0.2, 310, 0, 0}, {0.3, 305, 0, 0}, {0.4, 0, 1, 1},
                          {0.5, 250, 1, 1}, {0.6, 260, 1, 1}, {0.7, 0, 2, 0}, {0.8, 0, 2, 0},
                          {0.9, 280, 2, 0}, {1.0, 290, 2, 0}, {1.1, 10, 3, 1}};
        QTest::newRow("a new phase starts over, reads ignored") << phases << 1 << false << 3;
        QTest::newRow("the feed drops older phases") << phases << 1 << true << 3;
        const Rows late{{0.1, 50, 0, 0}, {0.3, 70, 0, 0}, {0.2, 90, 0, 0}, {0.4, 20, 0, 0}, {0.35, 60, 0, 0}};
        QTest::newRow("late points are put in time order") << late << 2 << false << 2;
        QTest::newRow("only empty samples") << Rows{{0.1, 0, 0, 0}, {0.2, 0, 0, 0}} << 1 << false << 1;
        QTest::newRow("no write points") << Rows{{0.1, 0, 1, 1}, {0.2, 60, 1, 1}} << 1 << false << 1;
    }
    void growingListMatchesFullSmoothing()
    {
        QFETCH(Rows, rows);
        QFETCH(int, windowBefore);
        QFETCH(bool, feedDropsOldPhases);
        QFETCH(int, windowAfter);
        const QList<TestData> all = points(rows);
        NewestPhaseAverage average(QStringLiteral("Write"));
        int window = windowBefore;
        int fullWindow = windowBefore;
        // One point at a time, then in steps of two, as refreshes may skip a sample.
        for (int step : {1, 2}) {
            for (qsizetype end = 0; end <= all.size(); end += step) {
                const QList<TestData> shown = feedDropsOldPhases ? newestPhasesOnly(all.first(end)) : all.first(end);
                average.setPoints(shown);
                const std::optional<double> value = average.value(window);
                const std::optional<double> expected = fullSmoothing(shown, fullWindow);
                QVERIFY2(value == expected, qPrintable(QStringLiteral("after %1 points: %2 instead of %3")
                                                           .arg(end)
                                                           .arg(value.value_or(-1))
                                                           .arg(expected.value_or(-1))));
                QCOMPARE(window, fullWindow);
            }
        }
        QCOMPARE(window, windowAfter);
    }
};

QTEST_GUILESS_MAIN(tst_NewestPhaseAverage)
#include "tst_newestphaseaverage.moc"
