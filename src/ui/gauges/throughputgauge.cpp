#include "ui/gauges/throughputgauge.h"

#include "ui/gauges/gaugegeometry.h"
#include "ui/common/themecolors.h"

#include <algorithm>

#include <QCheckBox>
#include <QPainter>
#include <QResizeEvent>
#include <QVariantAnimation>

namespace trevlamark {

namespace {

constexpr int fractionAnimationMs = 300;

QFont sizedFont(const QFont &base, int pixelSize, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace

ThroughputGauge::ThroughputGauge(const QString &operation, QWidget *parent)
    : QWidget(parent)
    , m_operation(operation)
    , m_switch(new QCheckBox(QStringLiteral("Enable"), this))
    , m_fractionAnimation(new QVariantAnimation(this))
{
    m_switch->setChecked(m_phaseEnabled);
    QSizePolicy keepPlace = m_switch->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_switch->setSizePolicy(keepPlace);
    connect(m_switch, &QCheckBox::toggled, this, &ThroughputGauge::setPhaseEnabled);

    m_fractionAnimation->setDuration(fractionAnimationMs);
    m_fractionAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_fractionAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_shownFraction = value.toDouble();
        update();
    });
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void ThroughputGauge::setValue(double valueMBps)
{
    m_valueMBps = valueMBps;
    refresh();
}

void ThroughputGauge::setMaxSpeedMbps(std::optional<int> maxSpeedMbps)
{
    m_maxSpeedMbps = maxSpeedMbps;
    refresh();
}

void ThroughputGauge::setDynamicMaxY(std::optional<double> dynamicMaxY)
{
    m_dynamicMaxY = dynamicMaxY;
    refresh();
}

void ThroughputGauge::setChartData(const QList<TestData> &chartData)
{
    m_chartData = chartData;
    refresh();
}

void ThroughputGauge::setPostTest(bool isPostTest)
{
    m_isPostTest = isPostTest;
    refresh();
}

void ThroughputGauge::setRunningTest(bool isRunningTest)
{
    m_isRunningTest = isRunningTest;
    // A run keeps the phases it started with.
    m_switch->setEnabled(!isRunningTest);
    refresh();
}

void ThroughputGauge::setInterfaceMTU(std::optional<int> mtuBytes)
{
    m_interfaceMTU = mtuBytes;
    refresh();
}

void ThroughputGauge::setHoveringControls(bool isHoveringControls)
{
    m_isHoveringControls = isHoveringControls;
    refresh();
}

void ThroughputGauge::setPhaseEnabled(bool enabled)
{
    if (m_phaseEnabled == enabled)
        return;
    m_phaseEnabled = enabled;
    m_switch->setChecked(enabled);
    refresh();
    emit phaseEnabledChanged(enabled);
}

double ThroughputGauge::displayedValue() const
{
    return GaugeGeometry::gaugeValue(m_chartData, m_operation, m_isPostTest, m_valueMBps);
}

double ThroughputGauge::targetFraction() const
{
    return GaugeGeometry::fraction(m_shownValue, m_maxSpeedMbps, m_interfaceMTU, m_dynamicMaxY);
}

std::optional<int> ThroughputGauge::percentOfMax() const
{
    return GaugeGeometry::percentOfMax(m_shownValue, m_maxSpeedMbps, m_interfaceMTU);
}

bool ThroughputGauge::isSwitchShown() const
{
    return m_isHoveringControls || (!m_phaseEnabled && !m_isRunningTest);
}

int ThroughputGauge::gaugeSidePx() const
{
    return std::clamp(width(), minimumGaugeSizePx, gaugeSizePx);
}

QSize ThroughputGauge::sizeHint() const
{
    return QSize(gaugeSizePx, gaugeSizePx + 8 + std::max(switchHeightPx, m_switch->sizeHint().height()));
}

QSize ThroughputGauge::minimumSizeHint() const
{
    return QSize(minimumGaugeSizePx, sizeHint().height());
}

void ThroughputGauge::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeSwitch();
}

void ThroughputGauge::placeSwitch()
{
    const QSize switchSize = m_switch->sizeHint();
    m_switch->setGeometry((width() - switchSize.width()) / 2, gaugeSidePx() + 8, switchSize.width(),
                          switchSize.height());
}

void ThroughputGauge::refresh()
{
    m_shownValue = displayedValue();
    m_switch->setVisible(isSwitchShown());
    placeSwitch();

    const double target = targetFraction();
    const QVariant end = m_fractionAnimation->endValue();
    if (!end.isValid() || end.toDouble() != target) {
        m_fractionAnimation->stop();
        m_fractionAnimation->setStartValue(m_shownFraction);
        m_fractionAnimation->setEndValue(target);
        m_fractionAnimation->start();
    }
    update();
}

void ThroughputGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_phaseEnabled)
        painter.setOpacity(0.7);

    const bool dark = ThemeColors::isDark(palette());
    const QColor colour = m_operation.compare(QLatin1String("write"), Qt::CaseInsensitive) == 0
                              ? ThemeColors::warm(dark)
                              : ThemeColors::cool(dark);
    // Drawn in a 200 px square, scaled down to the side we have and centred.
    const int side = gaugeSidePx();
    painter.translate((width() - side) / 2.0, 0);
    painter.scale(double(side) / gaugeSizePx, double(side) / gaugeSizePx);
    const QRectF ring(10, 10, gaugeSizePx - 20, gaugeSizePx - 20);

    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.1f);
    painter.setPen(QPen(track, 20, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);

    if (m_shownFraction > 0) {
        // Qt angles run counter-clockwise from three o'clock in 1/16 degree.
        painter.setPen(QPen(colour, 8, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, 90 * 16, -qRound(m_shownFraction * 360 * 16));
    }

    const QColor text = palette().color(QPalette::WindowText);
    const std::optional<int> percent = percentOfMax();
    painter.setPen(text);
    painter.setFont(sizedFont(font(), 36, QFont::Bold));
    painter.drawText(QRectF(0, 45, gaugeSizePx, 44), Qt::AlignCenter,
                     QString::number(static_cast<qint64>(m_shownValue)));
    painter.setFont(sizedFont(font(), 12, QFont::Medium));
    painter.drawText(QRectF(0, 89, gaugeSizePx, 16), Qt::AlignCenter, QStringLiteral("MB/SEC"));
    if (percent) {
        painter.setFont(sizedFont(font(), 10, QFont::Medium));
        painter.drawText(QRectF(0, 106, gaugeSizePx, 14), Qt::AlignCenter, GaugeGeometry::percentText(*percent));
    }
    painter.setPen(colour);
    painter.setFont(sizedFont(font(), 14, QFont::Bold));
    painter.drawText(QRectF(0, 122, gaugeSizePx, 20), Qt::AlignCenter, m_operation.toUpper());
}

} // namespace trevlamark
