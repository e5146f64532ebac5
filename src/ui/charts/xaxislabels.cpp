#include "ui/charts/xaxislabels.h"

#include "ui/charts/trafficgeometry.h"

#include <QPainter>
#include <QVariantAnimation>

namespace trevlamark {

namespace {

constexpr int labelHeightPx = 20;
constexpr int windowAnimationMs = 500;

} // namespace

XAxisLabels::XAxisLabels(QWidget *parent)
    : QWidget(parent)
    , m_windowAnimation(new QVariantAnimation(this))
{
    m_windowAnimation->setDuration(windowAnimationMs);
    m_windowAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_windowAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_shownTimeWindowSeconds = value.toDouble();
        update();
    });
    QFont caption = font();
    caption.setPixelSize(11);
    setFont(caption);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void XAxisLabels::setTimeWindow(double timeWindowSeconds)
{
    if (m_timeWindowSeconds == timeWindowSeconds)
        return;
    m_timeWindowSeconds = timeWindowSeconds;
    m_windowAnimation->stop();
    if (isVisible()) {
        m_windowAnimation->setStartValue(m_shownTimeWindowSeconds);
        m_windowAnimation->setEndValue(timeWindowSeconds);
        m_windowAnimation->start();
    } else {
        m_shownTimeWindowSeconds = timeWindowSeconds;
    }
    update();
}

void XAxisLabels::setRunningTest(bool isRunningTest)
{
    if (m_isRunningTest == isRunningTest)
        return;
    m_isRunningTest = isRunningTest;
    update();
}

QStringList XAxisLabels::labelTexts() const
{
    QStringList texts;
    for (const auto &label : TrafficGeometry::xAxisLabels(width(), m_timeWindowSeconds,
                                                          TrafficGeometry::minTimeLabelSpacing, m_isRunningTest))
        texts.append(label.text);
    return texts;
}

QSize XAxisLabels::sizeHint() const
{
    return QSize(400, labelHeightPx);
}

QSize XAxisLabels::minimumSizeHint() const
{
    return QSize(0, labelHeightPx);
}

void XAxisLabels::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QFontMetrics metrics = fontMetrics();
    for (const auto &label : TrafficGeometry::xAxisLabels(width(), m_shownTimeWindowSeconds,
                                                          TrafficGeometry::minTimeLabelSpacing, m_isRunningTest)) {
        const int textWidth = metrics.horizontalAdvance(label.text);
        // Centred under its grid line, but never cut by either end of the axis.
        const double left = std::clamp(label.x - textWidth / 2.0, 0.0, std::max(0.0, width() - textWidth - 1.0));
        painter.drawText(QRectF(left, 0, textWidth + 1, height()), Qt::AlignCenter, label.text);
    }
}

} // namespace trevlamark
