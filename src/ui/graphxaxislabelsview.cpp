#include "ui/graphxaxislabelsview.h"

#include "ui/trafficgeometry.h"

#include <QPainter>
#include <QVariantAnimation>

namespace trevlamark {

namespace {

constexpr int horizontalPaddingPx = 12;
constexpr int labelHeightPx = 20;
constexpr int windowAnimationMs = 500;

} // namespace

GraphXAxisLabelsView::GraphXAxisLabelsView(QWidget *parent)
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

void GraphXAxisLabelsView::setTimeWindow(double timeWindowSeconds)
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

void GraphXAxisLabelsView::setRunningTest(bool isRunningTest)
{
    if (m_isRunningTest == isRunningTest)
        return;
    m_isRunningTest = isRunningTest;
    update();
}

void GraphXAxisLabelsView::setMinLabelSpacing(double minLabelSpacing)
{
    m_minLabelSpacing = minLabelSpacing;
    update();
}

double GraphXAxisLabelsView::labelWidth() const
{
    return std::max(0, width() - 2 * horizontalPaddingPx);
}

QStringList GraphXAxisLabelsView::labelTexts() const
{
    QStringList texts;
    for (const auto &label : TrafficGeometry::xAxisLabels(labelWidth(), m_timeWindowSeconds, m_minLabelSpacing,
                                                          m_isRunningTest))
        texts.append(label.text);
    return texts;
}

QSize GraphXAxisLabelsView::sizeHint() const
{
    return QSize(400, labelHeightPx);
}

QSize GraphXAxisLabelsView::minimumSizeHint() const
{
    return QSize(2 * horizontalPaddingPx, labelHeightPx);
}

void GraphXAxisLabelsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QColor(Qt::gray));
    const QFontMetrics metrics = fontMetrics();
    for (const auto &label : TrafficGeometry::xAxisLabels(labelWidth(), m_shownTimeWindowSeconds,
                                                          m_minLabelSpacing, m_isRunningTest)) {
        const int textWidth = metrics.horizontalAdvance(label.text);
        const double centre = horizontalPaddingPx + label.x;
        const double left = std::clamp(centre - textWidth / 2.0, 0.0, std::max(0.0, width() - textWidth - 1.0));
        painter.drawText(QRectF(left, 0, textWidth + 1, height()), Qt::AlignCenter, label.text);
    }
}

} // namespace trevlamark
