#include "ui/charts/smoothingwindowbadge.h"

#include <QPainter>

namespace trevlamark {

namespace {

constexpr int paddingPx = 4;

QFont badgeFont(const QFont &base)
{
    QFont font = base;
    font.setPixelSize(9);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

SmoothingWindowBadge::SmoothingWindowBadge(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SmoothingWindowBadge::setWindowSize(int windowSize)
{
    if (m_windowSize == windowSize)
        return;
    m_windowSize = windowSize;
    updateGeometry();
    update();
}

QString SmoothingWindowBadge::text() const
{
    return QStringLiteral("Window: %1").arg(m_windowSize);
}

QSize SmoothingWindowBadge::sizeHint() const
{
    const QFontMetrics metrics(badgeFont(font()));
    return QSize(metrics.horizontalAdvance(text()), metrics.height()) + QSize(2 * paddingPx, 2 * paddingPx);
}

void SmoothingWindowBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 153));
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
    painter.setFont(badgeFont(font()));
    painter.setPen(Qt::white);
    painter.drawText(rect().adjusted(paddingPx, paddingPx, -paddingPx, -paddingPx), Qt::AlignCenter, text());
}

} // namespace trevlamark
