#include "ui/graphbackgroundgridview.h"

#include "ui/trafficgeometry.h"

#include <QPainter>

namespace trevlamark {

GraphBackgroundGridView::GraphBackgroundGridView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GraphBackgroundGridView::setMinVerticalSpacing(double minVerticalSpacing)
{
    m_minVerticalSpacing = minVerticalSpacing;
    update();
}

void GraphBackgroundGridView::setHorizontalDivisions(int horizontalDivisions)
{
    m_horizontalDivisions = horizontalDivisions;
    update();
}

void GraphBackgroundGridView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QColor separator = palette().color(QPalette::WindowText);
    separator.setAlphaF(0.12f);
    painter.setPen(QPen(separator, 1));
    const double right = width() - 0.5;
    const double bottom = height() - 0.5;
    for (double x : TrafficGeometry::verticalGridLines(width(), m_minVerticalSpacing))
        painter.drawLine(QPointF(std::min(x + 0.5, right), 0), QPointF(std::min(x + 0.5, right), height()));
    for (double y : TrafficGeometry::horizontalGridLines(height(), m_horizontalDivisions))
        painter.drawLine(QPointF(0, std::min(y + 0.5, bottom)), QPointF(width(), std::min(y + 0.5, bottom)));
}

} // namespace trevlamark
