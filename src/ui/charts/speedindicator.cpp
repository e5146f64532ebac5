#include "ui/charts/speedindicator.h"

#include "ui/charts/trafficgeometry.h"
#include "ui/common/themecolors.h"

#include <QPainter>
#include <QPainterPath>

namespace trevlamark {

namespace {

constexpr int iconSizePx = 14;
constexpr int gapPx = 4;

QFont monospacedDigits(const QFont &base)
{
    QFont font = base;
    font.setFamily(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(12);
    return font;
}

} // namespace

SpeedIndicator::SpeedIndicator(Direction direction, QWidget *parent)
    : QWidget(parent)
    , m_direction(direction)
{
    setFont(monospacedDigits(font()));
}

void SpeedIndicator::setSpeed(double speedMBps)
{
    if (m_speedMBps == speedMBps)
        return;
    m_speedMBps = speedMBps;
    updateGeometry();
    update();
}

QString SpeedIndicator::text() const
{
    return TrafficGeometry::speedIndicatorText(m_speedMBps);
}

QSize SpeedIndicator::sizeHint() const
{
    // Room for a four-digit rate keeps the row from jumping as digits come and go.
    const int textWidth = std::max(fontMetrics().horizontalAdvance(text()),
                                   fontMetrics().horizontalAdvance(QStringLiteral("0000.0 Mbits/s")));
    return QSize(iconSizePx + gapPx + textWidth, std::max(iconSizePx, fontMetrics().height()));
}

void SpeedIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = ThemeColors::isDark(palette());
    const bool upload = m_direction == Direction::Upload;
    const QColor colour = upload ? ThemeColors::warm(dark) : ThemeColors::cool(dark);

    const QRectF circle(0.5, (height() - iconSizePx) / 2.0 + 0.5, iconSizePx - 1, iconSizePx - 1);
    painter.setPen(QPen(colour, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);
    const QPointF c = circle.center();
    const double direction = upload ? -1 : 1;
    QPainterPath arrow;
    arrow.moveTo(c.x(), c.y() - direction * 3.5);
    arrow.lineTo(c.x(), c.y() + direction * 3.5);
    arrow.moveTo(c.x() - 3, c.y() + direction * 0.5);
    arrow.lineTo(c.x(), c.y() + direction * 3.5);
    arrow.lineTo(c.x() + 3, c.y() + direction * 0.5);
    painter.drawPath(arrow);

    painter.setPen(ThemeColors::readableText(colour, palette()));
    painter.drawText(QRectF(iconSizePx + gapPx, 0, width() - iconSizePx - gapPx, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace trevlamark
