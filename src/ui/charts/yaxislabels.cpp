#include "ui/charts/yaxislabels.h"

#include "ui/charts/trafficgeometry.h"

#include <QPainter>

namespace trevlamark {

YAxisLabels::YAxisLabels(QWidget *parent)
    : QWidget(parent)
{
    QFont caption = font();
    caption.setPixelSize(11);
    setFont(caption);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void YAxisLabels::setMaxY(double maxY)
{
    if (m_maxY == maxY)
        return;
    const int widthBefore = sizeHint().width();
    m_maxY = maxY;
    // The scale grows often early in a run; only a wider or narrower label lays the graph out again.
    if (sizeHint().width() != widthBefore)
        updateGeometry();
    update();
}

QStringList YAxisLabels::labelTexts() const
{
    QStringList texts;
    for (const auto &label : TrafficGeometry::yAxisLabels(m_maxY, height()))
        texts.append(label.text);
    return texts;
}

QSize YAxisLabels::sizeHint() const
{
    int widest = 0;
    for (const QString &text : labelTexts())
        widest = std::max(widest, fontMetrics().horizontalAdvance(text));
    return QSize(widest + 8, 200);
}

void YAxisLabels::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int lineHeight = fontMetrics().height();
    for (const auto &label : TrafficGeometry::yAxisLabels(m_maxY, height())) {
        // Centred on its grid line, but never cut by the plot's top or bottom edge.
        const double centre = std::clamp(label.y, lineHeight / 2.0, height() - lineHeight / 2.0);
        painter.drawText(QRectF(0, centre - lineHeight / 2.0, width() - 4, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, label.text);
    }
}

void YAxisLabels::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The number of levels, so the widest label, follows the height.
    updateGeometry();
}

} // namespace trevlamark
