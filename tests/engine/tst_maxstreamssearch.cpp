// The search for the most streams with no late frame, over storage that
// carries a known number of streams: every row plays the search to its end
// and checks the counts it tried and the answer.

#include "engine/maxstreamssearch.h"

#include <QTest>

using namespace trevlamark;

class tst_MaxStreamsSearch : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
};

void tst_MaxStreamsSearch::search_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("carries");
    QTest::addColumn<QList<int>>("tried");

    QTest::newRow("the estimate is right") << 3 << 3 << QList<int>{3, 6, 4};
    QTest::newRow("the estimate is too high") << 8 << 3 << QList<int>{8, 4, 2, 3};
    QTest::newRow("the estimate is too low") << 2 << 13 << QList<int>{2, 4, 8, 16, 12, 14, 13};
    QTest::newRow("not even one stream") << 4 << 0 << QList<int>{4, 2, 1};
    QTest::newRow("everything up to the maximum") << 30 << 1000 << QList<int>{30, 40};
    QTest::newRow("a start of 0 tries one") << 0 << 1 << QList<int>{1, 2};
}

void tst_MaxStreamsSearch::search()
{
    QFETCH(int, start);
    QFETCH(int, carries);
    QFETCH(QList<int>, tried);
    QMap<int, bool> outcomes;
    QList<int> steps;
    while (const std::optional<int> streams = MaxStreamsSearch::next(outcomes, start, 40)) {
        QVERIFY2(!outcomes.contains(*streams), "a count is never tried twice");
        steps.append(*streams);
        outcomes.insert(*streams, *streams <= carries);
    }
    QCOMPARE(steps, tried);
    QCOMPARE(MaxStreamsSearch::answer(outcomes), std::min(carries, 40));
}

QTEST_APPLESS_MAIN(tst_MaxStreamsSearch)
#include "tst_maxstreamssearch.moc"
