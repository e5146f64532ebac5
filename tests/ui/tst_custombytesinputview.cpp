#include "ui/custombytesinputview.h"

#include "support/widgetscreenshot.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;
using Unit = GaugeGeometry::ByteSizeUnit;

class tst_CustomBytesInputView : public QObject
{
    Q_OBJECT
private slots:
    void typingKeepsOnlyDigits()
    {
        CustomBytesInputView view;
        view.show();
        QTest::keyClicks(view.valueField(), QStringLiteral("a1b-2 c"));
        QCOMPARE(view.inputText(), QStringLiteral("12"));
    }

    void ok_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Unit>("unit");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<quint64>("bytes");
        QTest::newRow("12 GB") << "12" << Unit::GB << true << true << quint64(12) * 1073741824;
        QTest::newRow("300 MB") << "300" << Unit::MB << true << true << quint64(300) * 1048576;
        QTest::newRow("empty closes unchanged") << "" << Unit::GB << false << true << quint64(5);
        QTest::newRow("too large is refused") << "99999999" << Unit::TB << false << false << quint64(5);
        QTest::newRow("zero is refused") << "0" << Unit::GB << false << false << quint64(5);
    }
    void ok()
    {
        QFETCH(QString, typed);
        QFETCH(Unit, unit);
        QFETCH(bool, stored);
        QFETCH(bool, closes);
        QFETCH(quint64, bytes);
        CustomBytesInputView view;
        view.setBytesValue(5);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy accepted(&view, &CustomBytesInputView::customBytesAccepted);
        QSignalSpy closed(&view, &CustomBytesInputView::closed);
        view.setInputText(typed);
        view.setSelectedUnit(unit);
        view.okButton()->click();
        QCOMPARE(view.bytesValue(), bytes);
        QCOMPARE(accepted.size(), stored ? 1 : 0);
        QCOMPARE(view.isVisible(), !closes);
        QCOMPARE(closed.size(), closes ? 1 : 0);
        QCOMPARE(view.errorText().isEmpty(), closes);
    }

    void cancelOnlyCloses()
    {
        CustomBytesInputView view;
        view.setBytesValue(7);
        view.show();
        view.setInputText(QStringLiteral("4"));
        QSignalSpy accepted(&view, &CustomBytesInputView::customBytesAccepted);
        view.cancelButton()->click();
        QVERIFY(!view.isVisible());
        QCOMPARE(view.bytesValue(), quint64(7));
        QCOMPARE(accepted.size(), 0);
    }

    void returnAccepts()
    {
        CustomBytesInputView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setSelectedUnit(Unit::MB);
        QTest::keyClicks(view.valueField(), QStringLiteral("64"));
        QTest::keyClick(view.valueField(), Qt::Key_Return);
        QCOMPARE(view.bytesValue(), quint64(64) * 1048576);
        QVERIFY(!view.isVisible());
    }

    void screenshots()
    {
        CustomBytesInputView view;
        view.setWindowFlags(Qt::Widget);
        view.setInputText(QStringLiteral("12"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        testing::saveScreenshots(&view, QStringLiteral("custombytesinputview"));
        QCOMPARE(view.selectedUnit(), Unit::GB);
    }
};

QTEST_MAIN(tst_CustomBytesInputView)
#include "tst_custombytesinputview.moc"
