#include "ui/downloadspeedindicator.h"
#include "ui/common/themecolors.h"
#include "ui/uploadspeedindicator.h"

#include <QTest>

using namespace trevlamark;

namespace {

int countPixelsNear(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) < 24 && qAbs(pixel.green() - colour.green()) < 24
                && qAbs(pixel.blue() - colour.blue()) < 24)
                ++count;
        }
    }
    return count;
}

} // namespace

class tst_SpeedIndicator : public QObject
{
    Q_OBJECT
private slots:
    void text_data()
    {
        QTest::addColumn<double>("megabytesPerSecond");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0.0 Mbits/s";
        QTest::newRow("125 MB/s is a gigabit") << 125.0 << "1000.0 Mbits/s";
        QTest::newRow("rounded") << 1.23456 << "9.9 Mbits/s";
    }
    void text()
    {
        QFETCH(double, megabytesPerSecond);
        QFETCH(QString, text);
        UploadSpeedIndicator upload;
        upload.setSpeed(megabytesPerSecond);
        QCOMPARE(upload.text(), text);
    }

    void directionsUseTheirColours()
    {
        UploadSpeedIndicator upload;
        DownloadSpeedIndicator download;
        upload.setSpeed(10);
        download.setSpeed(10);
        upload.resize(upload.sizeHint());
        download.resize(download.sizeHint());
        const bool dark = ThemeColors::isDark(upload.palette());
        const QImage up = upload.grab().toImage();
        const QImage down = download.grab().toImage();
        QVERIFY(countPixelsNear(up, ThemeColors::warm(dark)) > countPixelsNear(up, ThemeColors::cool(dark)));
        QVERIFY(countPixelsNear(down, ThemeColors::cool(dark)) > countPixelsNear(down, ThemeColors::warm(dark)));
    }
};

QTEST_MAIN(tst_SpeedIndicator)
#include "tst_speedindicator.moc"
