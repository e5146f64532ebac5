#include "ui/themecolors.h"

#include <QPalette>
#include <QTest>

using namespace trevlamark;

class tst_ThemeColors : public QObject
{
    Q_OBJECT
private slots:
    void darkDetection_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<bool>("dark");
        QTest::newRow("white") << QColor(Qt::white) << false;
        QTest::newRow("light grey") << QColor(0xEF, 0xEF, 0xEF) << false;
        QTest::newRow("dark grey") << QColor(0x35, 0x35, 0x35) << true;
        QTest::newRow("black") << QColor(Qt::black) << true;
    }
    void darkDetection()
    {
        QFETCH(QColor, window);
        QFETCH(bool, dark);
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        QCOMPARE(ThemeColors::isDark(palette), dark);
    }
    void variantsDiffer_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void variantsDiffer()
    {
        QFETCH(bool, dark);
        QVERIFY(ThemeColors::warm(dark) != ThemeColors::cool(dark));
        QVERIFY(ThemeColors::warm(dark) != ThemeColors::warm(!dark));
        QVERIFY(ThemeColors::cool(dark) != ThemeColors::cool(!dark));
        // Warm leans red, cool leans blue, in either variant.
        QVERIFY(ThemeColors::warm(dark).red() > ThemeColors::warm(dark).blue());
        QVERIFY(ThemeColors::cool(dark).blue() > ThemeColors::cool(dark).red());
    }
};

QTEST_MAIN(tst_ThemeColors)
#include "tst_themecolors.moc"
