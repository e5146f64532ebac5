#include "ui/charts/timelinemarkerdot.h"

#include "ui/charts/trafficgeometry.h"
#include "ui/common/themecolors.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace trevlamark {

namespace {

constexpr int boxSizePx = 20;

} // namespace

TimelineMarkerDot::TimelineMarkerDot(const TimelineMarker &marker, QWidget *parent)
    : QWidget(parent)
    , m_marker(marker)
    , m_sizeAnimation(new QVariantAnimation(this))
    , m_tooltip(new QLabel(marker.message, parent))
{
    setFixedSize(boxSizePx, boxSizePx);
    setCursor(Qt::PointingHandCursor);
    m_sizeAnimation->setDuration(animationDurationMs);
    connect(m_sizeAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_dotSize = value.toDouble();
        update();
    });
    m_tooltip->setStyleSheet(QStringLiteral(
        "QLabel { color: white; background: rgba(0, 0, 0, 179); padding: 6px; border-radius: 4px; }"));
    m_tooltip->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_tooltip->hide();
}

TimelineMarkerDot::~TimelineMarkerDot()
{
    delete m_tooltip;
}

double TimelineMarkerDot::targetDotSize() const
{
    return (m_isHovered || m_isPressed) ? hoveredDotSize : normalDotSize;
}

void TimelineMarkerDot::moveCentreTo(const QPointF &centre)
{
    move(qRound(centre.x() - boxSizePx / 2.0), qRound(centre.y() - boxSizePx / 2.0));
    // Sizing the tooltip lays out its text: worth it only while it is shown, not at every tick.
    if (m_showTooltip)
        placeTooltip();
}

QSize TimelineMarkerDot::sizeHint() const
{
    return QSize(boxSizePx, boxSizePx);
}

void TimelineMarkerDot::animateSize()
{
    m_sizeAnimation->stop();
    m_sizeAnimation->setStartValue(m_dotSize);
    m_sizeAnimation->setEndValue(targetDotSize());
    m_sizeAnimation->start();
}

void TimelineMarkerDot::placeTooltip()
{
    if (!m_tooltip)
        return;
    m_tooltip->adjustSize();
    const QWidget *area = parentWidget();
    int x = geometry().center().x() - m_tooltip->width() / 2;
    int y = geometry().top() - m_tooltip->height() - 2;
    if (area) {
        x = std::clamp(x, 0, std::max(0, area->width() - m_tooltip->width()));
        if (y < 0)
            y = geometry().bottom() + 2;
    }
    m_tooltip->move(x, y);
}

void TimelineMarkerDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool emphasised = m_isHovered || m_isPressed;
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = m_dotSize / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 84));
    painter.drawEllipse(centre + QPointF(0, 1), radius + 1, radius + 1);
    painter.setBrush(TrafficGeometry::markerColor(m_marker.type, ThemeColors::isDark(palette())));
    painter.setPen(QPen(Qt::white, emphasised ? 2 : 1));
    painter.drawEllipse(centre, radius, radius);
}

void TimelineMarkerDot::enterEvent(QEnterEvent *)
{
    m_isHovered = true;
    animateSize();
}

void TimelineMarkerDot::leaveEvent(QEvent *)
{
    m_isHovered = false;
    animateSize();
}

void TimelineMarkerDot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_isPressed = true;
    animateSize();
}

void TimelineMarkerDot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_isPressed)
        return;
    m_isPressed = false;
    animateSize();
    if (!rect().contains(event->position().toPoint()))
        return;
    m_showTooltip = !m_showTooltip;
    if (m_tooltip) {
        placeTooltip();
        m_tooltip->setVisible(m_showTooltip);
        m_tooltip->raise();
    }
    emit tooltipToggled(m_showTooltip);
}

} // namespace trevlamark
