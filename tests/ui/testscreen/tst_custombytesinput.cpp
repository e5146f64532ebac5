#include "ui/testscreen/custombytesinput.h"

#include "support/widgetscreenshot.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;
using Unit = ByteAmount::Unit;

class tst_CustomBytesInput : public QObject
{
    Q_OBJECT
private slots:
    void screenshots()
    {
        CustomBytesInput view;
        view.setWindowFlags(Qt::Widget);
        view.setInputText(QStringLiteral("12"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        testing::saveScreenshots(&view, QStringLiteral("custombytesinputview"));
        QCOMPARE(view.selectedUnit(), Unit::GB);
    }
};

QTEST_MAIN(tst_CustomBytesInput)
#include "tst_custombytesinput.moc"
