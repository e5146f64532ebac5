#include "ui/smoothingwindowbadge.h"

#include <QTest>

using namespace trevlamark;

class tst_SmoothingWindowBadge : public QObject
{
    Q_OBJECT
private slots:
    void textAndSize()
    {
        SmoothingWindowBadge badge;
        QCOMPARE(badge.text(), QStringLiteral("Window: 1"));
        const int narrow = badge.sizeHint().width();
        badge.setWindowSize(128);
        QCOMPARE(badge.text(), QStringLiteral("Window: 128"));
        QVERIFY(badge.sizeHint().width() > narrow);
        badge.resize(badge.sizeHint());
        // White text on a dark translucent plate.
        const QImage image = badge.grab().toImage();
        bool hasWhite = false;
        for (int x = 0; x < image.width() && !hasWhite; ++x) {
            for (int y = 0; y < image.height() && !hasWhite; ++y)
                hasWhite = image.pixelColor(x, y).lightness() > 200;
        }
        QVERIFY(hasWhite);
    }
};

QTEST_MAIN(tst_SmoothingWindowBadge)
#include "tst_smoothingwindowbadge.moc"
