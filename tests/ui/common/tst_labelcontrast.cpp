// The small texts of the charts and gauges, drawn in either appearance, reach
// the 4.5:1 contrast against the window that small text needs. Each widget is
// rendered and its most contrasting pixel in the text's band is measured.

#include "ui/app/appearancecontroller.h"
#include "ui/charts/speedindicator.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/charts/xaxislabels.h"
#include "ui/charts/yaxislabels.h"
#include "ui/common/themecolors.h"
#include "ui/gauges/throughputgauge.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <functional>
#include <memory>

using namespace trevlamark;

namespace {

// The widget to draw, 200 px wide, and the rows (top, bottom) that hold the text in question; all by default.
struct Subject
{
    std::function<std::unique_ptr<QWidget>()> make;
    int top = 0;
    int bottom = -1;
};

double strongestContrast(QWidget &widget, const QPalette &palette, int top, int bottom)
{
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
    widget.resize(200, std::max(40, widget.sizeHint().height()));
    const QImage image = widget.grab().toImage();
    const QColor window = palette.color(QPalette::Window);
    double strongest = 1;
    for (int y = top; y < (bottom < 0 ? image.height() : bottom); ++y) {
        for (int x = 0; x < image.width(); ++x)
            strongest = std::max(strongest, ThemeColors::contrastRatio(image.pixelColor(x, y), window));
    }
    return strongest;
}

} // namespace

Q_DECLARE_METATYPE(Subject)

class tst_LabelContrast : public QObject
{
    Q_OBJECT

private slots:
    void smallTextIsReadable_data()
    {
        QTest::addColumn<Subject>("subject");
        QTest::addColumn<bool>("dark");
        const QList<std::pair<const char *, Subject>> subjects{
            {"time axis", {[] {
                 auto axis = std::make_unique<XAxisLabels>();
                 axis->setTimeWindow(60);
                 return std::unique_ptr<QWidget>(std::move(axis));
             }}},
            {"speed axis", {[] {
                 auto axis = std::make_unique<YAxisLabels>();
                 axis->setMaxY(1000);
                 return std::unique_ptr<QWidget>(std::move(axis));
             }}},
            {"upload speed", {[] {
                 auto indicator = std::make_unique<SpeedIndicator>(SpeedIndicator::Direction::Upload);
                 indicator->setSpeed(118.4);
                 return std::unique_ptr<QWidget>(std::move(indicator));
             }}},
            // The operation's name, under the value, in a dial 200 px across.
            {"write gauge", {[] { return std::unique_ptr<QWidget>(std::make_unique<ThroughputGauge>("write")); }, 120, 144}},
        };
        for (const auto &[name, subject] : subjects) {
            QTest::addRow("%s, light", name) << subject << false;
            QTest::addRow("%s, dark", name) << subject << true;
        }
    }

    void smallTextIsReadable()
    {
        QFETCH(Subject, subject);
        QFETCH(bool, dark);
        const std::unique_ptr<QWidget> widget = subject.make();
        const QPalette palette = dark ? AppearanceController::darkPalette() : AppearanceController::lightPalette();
        const double contrast = strongestContrast(*widget, palette, subject.top, subject.bottom);
        QVERIFY2(contrast >= ThemeColors::minimumTextContrast, qPrintable(QString::number(contrast)));
    }

    // The chart's legend names its directions in their colours, readable too.
    void legendIsReadable()
    {
        TestGraphPanel panel;
        for (const bool dark : {false, true}) {
            panel.setPalette(dark ? AppearanceController::darkPalette() : AppearanceController::lightPalette());
            for (const QString &name : {QStringLiteral("Capture"), QStringLiteral("Playback")}) {
                QLabel *legend = nullptr;
                for (QLabel *label : panel.findChildren<QLabel *>())
                    legend = label->text() == name ? label : legend;
                QVERIFY(legend);
                const double contrast = ThemeColors::contrastRatio(legend->palette().color(QPalette::WindowText),
                                                                   panel.palette().color(QPalette::Window));
                QVERIFY2(contrast >= ThemeColors::minimumTextContrast, qPrintable(QString::number(contrast)));
            }
        }
    }
};

QTEST_MAIN(tst_LabelContrast)
#include "tst_labelcontrast.moc"
