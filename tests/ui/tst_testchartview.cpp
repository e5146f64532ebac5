#include "ui/testchartview.h"

#include "ui/common/themecolors.h"

#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

TestData point(double secondsBeforeReference, const QString &operation, double throughput)
{
    TestData p;
    p.id = QUuid::createUuid();
    p.timestamp = reference.addMSecs(-static_cast<qint64>(secondsBeforeReference * 1000));
    p.operation = operation;
    p.throughput = throughput;
    p.phaseId = operation == QLatin1String("write") ? 1 : 2;
    return p;
}

// Hue of the pixel, or -1 for grey.
int hueAt(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y).hslHue();
}

} // namespace

class tst_TestChartView : public QObject
{
    Q_OBJECT
private slots:
    void writeAboveReadBelow()
    {
        TestChartView view;
        view.resize(600, 200);
        view.setTimeWindow(60);
        view.setReferenceTime(reference);
        view.setMaxY(100);
        // Write over the left half at full scale, read over the right half at half scale.
        view.setChartData({point(59, "write", 100), point(31, "write", 100), point(29, "read", 50),
                           point(1, "read", 50)});
        const QImage image = view.grab().toImage();
        const bool dark = ThemeColors::isDark(view.palette());
        const int warmHue = ThemeColors::warm(dark).hslHue();
        const int coolHue = ThemeColors::cool(dark).hslHue();
        QVERIFY(qAbs(hueAt(image, 150, 50) - warmHue) < 12);
        QVERIFY(qAbs(hueAt(image, 450, 125) - coolHue) < 12);
        // Nothing below the baseline under the write phase, nor above it over the read phase,
        // and the read area stops at half of its half-height.
        QCOMPARE(hueAt(image, 150, 150), hueAt(image, 5, 5));
        QCOMPARE(hueAt(image, 450, 50), hueAt(image, 5, 5));
        QCOMPARE(hueAt(image, 450, 190), hueAt(image, 5, 5));
    }
};

QTEST_MAIN(tst_TestChartView)
#include "tst_testchartview.moc"
