#include "ui/graphxaxislabelsview.h"

#include <QTest>

using namespace trevlamark;

class tst_GraphXAxisLabelsView : public QObject
{
    Q_OBJECT
private slots:
    void labelsFollowTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("texts");
        // The labels span the width less 12 points on each side.
        QTest::newRow("524 wide, running") << 524 << true
                                           << QStringList{"-60s", "-50s", "-40s", "-30s", "-20s", "-10s", "now"};
        QTest::newRow("narrow, finished") << 120 << false << QStringList{"-60s", "-30s", "end"};
    }
    void labelsFollowTheWidth()
    {
        QFETCH(int, width);
        QFETCH(bool, running);
        QFETCH(QStringList, texts);
        GraphXAxisLabelsView view;
        view.resize(width, 20);
        view.setTimeWindow(60);
        view.setRunningTest(running);
        QCOMPARE(view.labelTexts(), texts);
        QCOMPARE(view.sizeHint().height(), 20);
    }
};

QTEST_MAIN(tst_GraphXAxisLabelsView)
#include "tst_graphxaxislabelsview.moc"
