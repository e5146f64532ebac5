#include "ui/storagepiechart.h"

#include <QCursor>
#include <QEnterEvent>
#include <QLabel>
#include <QLocale>
#include <QTest>

using namespace trevlamark;

class tst_StoragePieChart : public QObject
{
    Q_OBJECT

private slots:
    void usedFraction_data()
    {
        QTest::addColumn<qint64>("used");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("fraction");
        QTest::newRow("empty volume") << qint64(0) << qint64(100) << 0.0;
        QTest::newRow("a quarter") << qint64(25) << qint64(100) << 0.25;
        QTest::newRow("full") << qint64(100) << qint64(100) << 1.0;
        QTest::newRow("no total") << qint64(10) << qint64(0) << 0.0;
        QTest::newRow("more used than total") << qint64(200) << qint64(100) << 1.0;
    }

    void usedFraction()
    {
        QFETCH(qint64, used);
        QFETCH(qint64, total);
        QFETCH(double, fraction);
        QCOMPARE(StoragePieChart::usedFraction(used, total), fraction);
    }

    // The slice starts at the top and runs clockwise.
    void sliceRunsClockwiseFromTheTop_data()
    {
        QTest::addColumn<double>("percentage");
        QTest::addColumn<QPointF>("inside");
        QTest::addColumn<QPointF>("outside");
        QTest::newRow("a quarter: top right") << 0.25 << QPointF(70, 30) << QPointF(30, 30);
        QTest::newRow("a half: right side") << 0.5 << QPointF(70, 70) << QPointF(30, 70);
        QTest::newRow("three quarters: not top left") << 0.75 << QPointF(30, 70) << QPointF(30, 30);
    }

    void sliceRunsClockwiseFromTheTop()
    {
        QFETCH(double, percentage);
        QFETCH(QPointF, inside);
        QFETCH(QPointF, outside);
        const QPainterPath path = StoragePieChart::pieSlicePath(QRectF(0, 0, 100, 100), percentage);
        QVERIFY(path.contains(inside));
        QVERIFY(!path.contains(outside));
    }

    void emptySliceCoversNothing()
    {
        const QPainterPath path = StoragePieChart::pieSlicePath(QRectF(0, 0, 100, 100), 0);
        QVERIFY(!path.contains(QPointF(70, 30)));
        QVERIFY(!path.contains(QPointF(30, 70)));
    }

    void hoverLinesInBinaryUnits()
    {
        const qint64 gib = qint64(1) << 30;
        const QStringList lines = StoragePieChart::hoverLines(3 * gib, gib, 4 * gib);
        QCOMPARE(lines.size(), 3);
        const QLocale locale;
        QCOMPARE(lines.at(0), QStringLiteral("Used: ") + locale.formattedDataSize(3 * gib, 2, QLocale::DataSizeTraditionalFormat));
        QCOMPARE(lines.at(1), QStringLiteral("Free: ") + locale.formattedDataSize(gib, 2, QLocale::DataSizeTraditionalFormat));
        QCOMPARE(lines.at(2), QStringLiteral("Total: ") + locale.formattedDataSize(4 * gib, 2, QLocale::DataSizeTraditionalFormat));
        QVERIFY(lines.at(2).contains(QStringLiteral("4")));
    }

    void hoverEnlargesAndShowsTheFigures()
    {
        // The pointer stays away, so closing the panel does not hover the chart again.
        QCursor::setPos(2000, 2000);
        StoragePieChart chart;
        chart.setStorage(750, 250, 1000);
        chart.move(10, 10);
        chart.show();
        QCOMPARE(chart.percentage(), 0.75);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&chart, &enter);
        QVERIFY(chart.isHovered());
        QVERIFY(chart.hoverPanel());
        QStringList texts;
        for (const QLabel *label : chart.hoverPanel()->findChildren<QLabel *>())
            texts.append(label->text());
        QCOMPARE(texts, StoragePieChart::hoverLines(750, 250, 1000));
        QTRY_COMPARE(chart.scale(), StoragePieChart::hoverScale);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&chart, &leave);
        QVERIFY(!chart.isHovered());
        QVERIFY(!chart.hoverPanel());
        QTRY_COMPARE(chart.scale(), 1.0);
    }
};

QTEST_MAIN(tst_StoragePieChart)
#include "tst_storagepiechart.moc"
