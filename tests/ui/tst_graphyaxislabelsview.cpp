#include "ui/graphyaxislabelsview.h"

#include <QTest>

using namespace trevlamark;

class tst_GraphYAxisLabelsView : public QObject
{
    Q_OBJECT
private slots:
    void labels_data()
    {
        QTest::addColumn<double>("maxY");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("1375") << 1375.0 << QStringList{"1375", "1031", "687", "343", "0", "343", "687", "1031", "1375"};
        QTest::newRow("small") << 3.0 << QStringList{"3", "2", "1", "0", "0", "0", "1", "2", "3"};
    }
    void labels()
    {
        QFETCH(double, maxY);
        QFETCH(QStringList, texts);
        GraphYAxisLabelsView view;
        view.setMaxY(maxY);
        QCOMPARE(view.labelTexts(), texts);
    }

    void widensForLongerNumbers()
    {
        GraphYAxisLabelsView view;
        view.setMaxY(10);
        const int narrow = view.sizeHint().width();
        view.setMaxY(100000);
        QVERIFY(view.sizeHint().width() > narrow);
    }
};

QTEST_MAIN(tst_GraphYAxisLabelsView)
#include "tst_graphyaxislabelsview.moc"
