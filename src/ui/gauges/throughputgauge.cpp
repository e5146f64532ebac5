#include "ui/gauges/throughputgauge.h"

#include "ui/gauges/gaugegeometry.h"
#include "ui/common/paintclock.h"
#include "ui/common/themecolors.h"
#include "ui/common/throughputsmoothing.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimerEvent>

namespace trevlamark {

namespace {

constexpr int fractionAnimationMs = 300;
// Without a paint clock the arc steps 20 times a second: a 60 Hz animation kept
// the window busy for a whole run.
constexpr int arcStepMs = 50;
// The ring in the 200 px square the dial is drawn in, and how far its arc's pen reaches beyond it.
const QRectF ringRect(10, 10, ThroughputGauge::gaugeSizePx - 20, ThroughputGauge::gaugeSizePx - 20);
constexpr double arcMarginPx = 8 / 2.0 + 2;
// The value, unit and percent lines in that square.
const QRectF valueRect(0, 45, ThroughputGauge::gaugeSizePx, 44);
const QRectF percentRect(0, 106, ThroughputGauge::gaugeSizePx, 14);

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
    , m_newestPhase(operation)
    , m_switch(new QCheckBox(QStringLiteral("Enable"), this))
{
    m_switch->setChecked(m_phaseEnabled);
    QSizePolicy keepPlace = m_switch->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_switch->setSizePolicy(keepPlace);
    connect(m_switch, &QCheckBox::toggled, this, &ThroughputGauge::setPhaseEnabled);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void ThroughputGauge::setPaintClock(PaintClock *clock)
{
    if (m_paintClock)
        disconnect(m_paintClock, nullptr, this, nullptr);
    m_paintClock = clock;
    if (!clock)
        return;
    // On the clock the arc's steps land in the frames the rest of the screen makes.
    connect(clock, &PaintClock::ticked, this, [this] {
        if (m_gliding)
            stepArc();
    });
    connect(clock, &PaintClock::stopped, this, [this] {
        if (m_gliding)
            m_arcTimer.start(arcStepMs, this);
    });
}

void ThroughputGauge::setValue(double valueMBps)
{
    m_valueMBps = valueMBps;
    refresh();
}

void ThroughputGauge::setCompletedPhase(int phaseId, double valueMBps)
{
    m_completedPhaseId = phaseId;
    m_completedPhaseValue = valueMBps;
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
    m_hasChartData = !chartData.isEmpty();
    m_newestPhase.setPoints(chartData);
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
    // A new run numbers its phases from the start again.
    if (isRunningTest)
        m_completedPhaseId.reset();
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
    // A phase switched off is drawn faded.
    update();
    emit phaseEnabledChanged(enabled);
}

double ThroughputGauge::displayedValue() const
{
    if (m_isPostTest || !m_hasChartData)
        return m_valueMBps;
    if (m_completedPhaseId && m_newestPhase.phaseId().value_or(-1) <= *m_completedPhaseId)
        return m_completedPhaseValue;
    return m_newestPhase.value(ThroughputSmoothing::processSmoothingWindow()).value_or(0);
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
    if (target != m_targetFraction) {
        m_fromFraction = m_shownFraction;
        m_targetFraction = target;
        m_arcClock.start();
        // A move of less than a pixel of arc has nothing to glide over: it lands at once.
        m_gliding = std::abs(target - m_shownFraction) * arcLengthPx() >= 1;
        if (!m_gliding) {
            m_arcTimer.stop();
            stepArc();
        } else if (!m_paintClock || !m_paintClock->isActive()) {
            m_arcTimer.start(arcStepMs, this);
        }
    }
    // The arc follows its animation; the dial's text is drawn again only when it reads differently.
    const QString text = valueText();
    if (text != m_paintedText) {
        m_paintedText = text;
        update(toWidget(valueRect.united(percentRect)));
    }
}

QString ThroughputGauge::valueText() const
{
    const std::optional<int> percent = percentOfMax();
    return QString::number(static_cast<qint64>(m_shownValue)) + QLatin1Char('\n')
           + (percent ? GaugeGeometry::percentText(*percent) : QString());
}

double ThroughputGauge::arcLengthPx() const
{
    return M_PI * ringRect.width() * gaugeSidePx() / gaugeSizePx;
}

QRect ThroughputGauge::dialRect() const
{
    const int side = gaugeSidePx();
    return QRect((width() - side) / 2, 0, side, side);
}

QRect ThroughputGauge::toWidget(const QRectF &dialArea) const
{
    const QRect dial = dialRect();
    const double scale = double(dial.width()) / gaugeSizePx;
    return QRectF(dial.left() + dialArea.left() * scale, dialArea.top() * scale, dialArea.width() * scale,
                  dialArea.height() * scale)
        .toAlignedRect()
        .adjusted(-1, -1, 1, 1);
}

QColor ThroughputGauge::operationColour() const
{
    const bool dark = ThemeColors::isDark(palette());
    return m_operation.compare(QLatin1String("write"), Qt::CaseInsensitive) == 0 ? ThemeColors::warm(dark)
                                                                                 : ThemeColors::cool(dark);
}

void ThroughputGauge::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_arcTimer.timerId())
        return QWidget::timerEvent(event);
    stepArc();
}

void ThroughputGauge::stepArc()
{
    // Linear in time, so a late step catches up instead of slowing the arc.
    const double progress = std::min(1.0, double(m_arcClock.elapsed()) / fractionAnimationMs);
    const bool last = progress >= 1.0 || !m_gliding;
    m_shownFraction = last ? m_targetFraction : m_fromFraction + (m_targetFraction - m_fromFraction) * progress;
    if (last) {
        m_gliding = false;
        m_arcTimer.stop();
    }
    // A step that moves the arc's end by less than half a pixel is not drawn
    // on its own; the last step always is.
    if (m_shownFraction == m_scheduledFraction
        || (!last && std::abs(m_shownFraction - m_scheduledFraction) * arcLengthPx() < 0.5))
        return;
    // Only the stretch of ring the arc moved over: the dial's text has not changed.
    update(toWidget(GaugeGeometry::arcSpanBounds(ringRect, m_scheduledFraction, m_shownFraction, arcMarginPx)));
    m_scheduledFraction = m_shownFraction;
}

void ThroughputGauge::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        m_staticLayer = QPixmap();
}

// The ring's track, the unit and the operation's name: the same from one
// refresh to the next, drawn once per size, palette and switch position.
const QPixmap &ThroughputGauge::staticLayer()
{
    const int side = gaugeSidePx();
    const qreal ratio = devicePixelRatioF();
    if (!m_staticLayer.isNull() && m_staticLayerSide == side && m_staticLayer.devicePixelRatio() == ratio
        && m_staticLayerEnabled == m_phaseEnabled)
        return m_staticLayer;
    m_staticLayerSide = side;
    m_staticLayerEnabled = m_phaseEnabled;
    m_staticLayer = QPixmap(QSize(side, side) * ratio);
    m_staticLayer.setDevicePixelRatio(ratio);
    m_staticLayer.fill(Qt::transparent);
    QPainter painter(&m_staticLayer);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_phaseEnabled)
        painter.setOpacity(0.7);
    painter.scale(double(side) / gaugeSizePx, double(side) / gaugeSizePx);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.1f);
    painter.setPen(QPen(track, 20, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ringRect);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(sizedFont(font(), 12, QFont::Medium));
    painter.drawText(QRectF(0, 89, gaugeSizePx, 16), Qt::AlignCenter, QStringLiteral("MB/SEC"));
    painter.setPen(ThemeColors::readableText(operationColour(), palette()));
    painter.setFont(sizedFont(font(), 14, QFont::Bold));
    painter.drawText(QRectF(0, 122, gaugeSizePx, 20), Qt::AlignCenter, m_operation.toUpper());
    return m_staticLayer;
}

void ThroughputGauge::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dial = dialRect();
    painter.drawPixmap(dial.topLeft(), staticLayer());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_phaseEnabled)
        painter.setOpacity(0.7);
    // Drawn in a 200 px square, scaled down to the side we have and centred.
    painter.translate(dial.left(), 0);
    painter.scale(double(dial.width()) / gaugeSizePx, double(dial.width()) / gaugeSizePx);

    if (m_shownFraction > 0) {
        // Qt angles run counter-clockwise from three o'clock in 1/16 degree.
        painter.setPen(QPen(operationColour(), 8, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ringRect, 90 * 16, -qRound(m_shownFraction * 360 * 16));
    }

    // Most repaints are the arc's alone; shaping the text is what a repaint costs most.
    if (!event->rect().intersects(toWidget(valueRect.united(percentRect))))
        return;
    const std::optional<int> percent = percentOfMax();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(sizedFont(font(), 36, QFont::Bold));
    painter.drawText(valueRect, Qt::AlignCenter, QString::number(static_cast<qint64>(m_shownValue)));
    if (percent) {
        painter.setFont(sizedFont(font(), 10, QFont::Medium));
        painter.drawText(percentRect, Qt::AlignCenter, GaugeGeometry::percentText(*percent));
    }
}

} // namespace trevlamark
