#include "ui/testscreen/progressline.h"

#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace trevlamark {

namespace {
constexpr int heightPx = 6;
constexpr int glideMs = 300;
} // namespace

ProgressLine::ProgressLine(QWidget *parent)
    : QWidget(parent)
    , m_glide(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(tr("Progress"));
    m_glide->setDuration(glideMs);
    m_glide->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_glide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { showFraction(value.toDouble()); });
}

void ProgressLine::moveTo(double fraction)
{
    fraction = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    m_glide->stop();
    if (std::abs(fraction - m_fraction) < 0.1)
        return showFraction(fraction);
    m_glide->setStartValue(m_fraction);
    m_glide->setEndValue(fraction);
    m_glide->start();
}

void ProgressLine::showFraction(double fraction)
{
    if (fraction == m_fraction)
        return;
    const bool moves = filledWidth(fraction) != filledWidth(m_fraction);
    m_fraction = fraction;
    if (moves)
        update();
}

QSize ProgressLine::sizeHint() const
{
    return {100, heightPx};
}

QSize ProgressLine::minimumSizeHint() const
{
    return {heightPx * 2, heightPx};
}

int ProgressLine::filledWidth(double fraction) const
{
    return int(std::lround(fraction * width()));
}

void ProgressLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track = rect();
    const double radius = track.height() / 2;
    QColor groove = palette().color(QPalette::WindowText);
    groove.setAlphaF(0.12f);
    painter.setBrush(groove);
    painter.drawRoundedRect(track, radius, radius);
    const int filled = filledWidth(m_fraction);
    if (filled <= 0)
        return;
    // Never narrower than its own rounded ends, so the first percent shows as a dot.
    QRectF done = track;
    done.setWidth(std::max<double>(filled, track.height()));
    painter.setBrush(palette().color(QPalette::Highlight));
    painter.drawRoundedRect(done, radius, radius);
}

} // namespace trevlamark
