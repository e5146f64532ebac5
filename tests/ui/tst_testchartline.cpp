#include "ui/testchartline.h"

#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

TestData point(double secondsBeforeReference, double throughput, int phaseId,
               const QString &operation = QStringLiteral("write"))
{
    TestData p;
    p.id = QUuid::createUuid();
    p.timestamp = reference.addMSecs(-static_cast<qint64>(secondsBeforeReference * 1000));
    p.operation = operation;
    p.throughput = throughput;
    p.phaseId = phaseId;
    return p;
}

TestChartLine line(const QList<TestData> &data, bool write)
{
    TestChartLine l;
    l.data = data;
    l.maxY = 100;
    l.width = 600;
    l.height = 100;
    l.isWriteOperation = write;
    l.timeWindow = 60;
    l.referenceTime = reference;
    return l;
}

QList<QPointF> elements(const QPainterPath &path)
{
    QList<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i)
        points.append(path.elementAt(i));
    return points;
}

int subpathCount(const QPainterPath &path)
{
    int count = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        count += path.elementAt(i).isMoveTo() ? 1 : 0;
    return count;
}

} // namespace

class tst_TestChartLine : public QObject
{
    Q_OBJECT
private slots:
    void shapes_data()
    {
        QTest::addColumn<QList<TestData>>("data");
        QTest::addColumn<bool>("write");
        QTest::addColumn<QList<QPointF>>("expected");

        QTest::newRow("no points: bare baseline")
            << QList<TestData>{} << true << QList<QPointF>{{0, 100}, {600, 100}};
        QTest::newRow("only read points for the write half: baseline")
            << QList<TestData>{point(10, 50, 1, QStringLiteral("read"))} << true
            << QList<QPointF>{{0, 100}, {600, 100}};
        QTest::newRow("write rises from the baseline")
            << QList<TestData>{point(30, 50, 1), point(0, 50, 1)} << true
            << QList<QPointF>{{300, 100}, {300, 50}, {600, 50}, {600, 100}, {300, 100}};
        QTest::newRow("read hangs below the baseline")
            << QList<TestData>{point(30, 50, 2, QStringLiteral("read")), point(0, 50, 2, QStringLiteral("read"))}
            << false << QList<QPointF>{{300, 100}, {300, 150}, {600, 150}, {600, 100}, {300, 100}};
        QTest::newRow("above the scale is capped at the half height")
            << QList<TestData>{point(6, 900, 1), point(0, 900, 1)} << true
            << QList<QPointF>{{540, 100}, {540, 0}, {600, 0}, {600, 100}, {540, 100}};
        QTest::newRow("single point is a sliver")
            << QList<TestData>{point(15, 40, 1)} << true
            << QList<QPointF>{{450, 100}, {450, 60}, {450, 100}};
        QTest::newRow("phase wholly before the window is not drawn")
            << QList<TestData>{point(90, 50, 1), point(80, 50, 1)} << true << QList<QPointF>{};
    }
    void shapes()
    {
        QFETCH(QList<TestData>, data);
        QFETCH(bool, write);
        QFETCH(QList<QPointF>, expected);
        int window = 1;
        QCOMPARE(elements(line(data, write).path(window)), expected);
    }

    void phasesAreSeparateAreas()
    {
        const QList<TestData> data{point(50, 40, 1), point(40, 40, 1), point(20, 60, 3), point(10, 60, 3),
                                   point(30, 70, 2, QStringLiteral("read"))};
        int window = 1;
        const QPainterPath writePath = line(data, true).path(window);
        QCOMPARE(subpathCount(writePath), 2);
        // Nothing is drawn in the pause between the two write phases.
        QVERIFY(!writePath.contains(QPointF(300, 90)));
        QVERIFY(writePath.contains(QPointF(150, 90)));
        QVERIFY(writePath.contains(QPointF(450, 90)));
        QCOMPARE(subpathCount(line(data, false).path(window)), 1);
    }

    void leadingZerosDrawnAtFirstLevel()
    {
        const QList<TestData> data{point(4, 0, 1), point(3, 0, 1), point(2, 0, 1), point(1, 80, 1)};
        int window = 1;
        const QList<QPointF> points = elements(line(data, true).path(window));
        QCOMPARE(window, 4);
        // The three empty samples sit at the first average (80 / 4 = 20 MB/s).
        QCOMPARE(points.at(1).y(), 80.0);
        QCOMPARE(points.at(2).y(), 80.0);
        QCOMPARE(points.at(3).y(), 80.0);
    }

    void pointsBeyondTheRightEdgeStopTheArea()
    {
        const QList<TestData> data{point(1, 50, 1), point(-30, 50, 1)};
        int window = 1;
        const QList<QPointF> points = elements(line(data, true).path(window));
        QCOMPARE(points.last(), QPointF(590, 100));
        for (const QPointF &p : points)
            QVERIFY(p.x() <= 600);
    }
};

QTEST_MAIN(tst_TestChartLine)
#include "tst_testchartline.moc"
