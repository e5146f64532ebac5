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
    m_maxY = maxY;
    updateGeometry();
    update();
}

QStringList YAxisLabels::labelTexts() const
{
    return TrafficGeometry::yAxisLabels(m_maxY);
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
    painter.setPen(QColor(Qt::gray));
    const QStringList texts = labelTexts();
    const int lineHeight = fontMetrics().height();
    const double step = static_cast<double>(height()) / (texts.size() - 1);
    for (int i = 0; i < texts.size(); ++i) {
        const double centre = std::clamp(i * step, lineHeight / 2.0, height() - lineHeight / 2.0);
        painter.drawText(QRectF(0, centre - lineHeight / 2.0, width() - 4, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, texts.at(i));
    }
}

} // namespace trevlamark
