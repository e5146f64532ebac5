#include "ui/networktrafficline.h"

#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

NetworkTrafficSample sample(double secondsBeforeReference, double in, double out)
{
    NetworkTrafficSample s;
    s.id = QUuid::createUuid();
    s.timestamp = reference.addMSecs(-static_cast<qint64>(secondsBeforeReference * 1000));
    s.throughputIn = in;
    s.throughputOut = out;
    return s;
}

} // namespace

class tst_NetworkTrafficLine : public QObject
{
    Q_OBJECT
private slots:
    void paths_data()
    {
        QTest::addColumn<QList<NetworkTrafficSample>>("samples");
        QTest::addColumn<bool>("outbound");
        QTest::addColumn<QList<QPointF>>("expected");

        QTest::newRow("no samples") << QList<NetworkTrafficSample>{} << true << QList<QPointF>{};
        QTest::newRow("upload above") << QList<NetworkTrafficSample>{sample(0, 10, 50), sample(60, 10, 25)}
                                      << true << QList<QPointF>{{0, 75}, {600, 50}};
        QTest::newRow("download below") << QList<NetworkTrafficSample>{sample(30, 50, 0)} << false
                                        << QList<QPointF>{{300, 150}};
        QTest::newRow("download above the scale stops at the bottom edge")
            << QList<NetworkTrafficSample>{sample(30, 5000, 0)} << false << QList<QPointF>{{300, 200}};
        QTest::newRow("samples outside the window are dropped")
            << QList<NetworkTrafficSample>{sample(61, 0, 100), sample(-1, 0, 100), sample(15, 0, 0)} << true
            << QList<QPointF>{{450, 100}};
    }
    void paths()
    {
        QFETCH(QList<NetworkTrafficSample>, samples);
        QFETCH(bool, outbound);
        QFETCH(QList<QPointF>, expected);
        NetworkTrafficLine line;
        line.samples = samples;
        line.maxY = 100;
        line.width = 600;
        line.height = 100;
        line.isOutbound = outbound;
        line.timeWindow = 60;
        line.referenceTime = reference;
        const QPainterPath path = line.path();
        QList<QPointF> points;
        for (int i = 0; i < path.elementCount(); ++i)
            points.append(path.elementAt(i));
        QCOMPARE(points, expected);
    }
};

QTEST_MAIN(tst_NetworkTrafficLine)
#include "tst_networktrafficline.moc"
