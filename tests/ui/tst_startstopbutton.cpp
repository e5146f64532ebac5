#include "ui/startstopbutton.h"

#include "ui/themecolors.h"

#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_StartStopButton : public QObject
{
    Q_OBJECT
private slots:
    void keepsItsSizeAcrossStates()
    {
        StartStopButton button;
        const QSize idle = button.sizeHint();
        button.setState(true, true, true, true);
        QCOMPARE(button.text(), QStringLiteral("Stopping"));
        QCOMPARE(button.sizeHint(), idle);
    }

    void paintsItsFill()
    {
        StartStopButton button;
        button.resize(button.sizeHint());
        button.setState(true, false, true, true);
        const QColor warm = ThemeColors::warm(ThemeColors::isDark(button.palette()));
        QCOMPARE(button.fillColor(), warm);
        const QImage image = button.grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, 3), warm);
    }

    void clicks()
    {
        StartStopButton button;
        button.resize(button.sizeHint());
        QSignalSpy spy(&button, &StartStopButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
    }
};

QTEST_MAIN(tst_StartStopButton)
#include "tst_startstopbutton.moc"
