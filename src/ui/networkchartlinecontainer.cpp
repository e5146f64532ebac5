#include "ui/networkchartlinecontainer.h"

#include "ui/networktrafficline.h"
#include "ui/common/themecolors.h"

#include <QPainter>

namespace trevlamark {

NetworkChartLineContainer::NetworkChartLineContainer(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NetworkChartLineContainer::setSamples(const QList<NetworkTrafficSample> &samples)
{
    m_samples = samples;
    update();
}

void NetworkChartLineContainer::setMaxY(double maxY)
{
    m_maxY = maxY;
    update();
}

void NetworkChartLineContainer::setTimeWindow(double timeWindowSeconds)
{
    m_timeWindowSeconds = timeWindowSeconds;
    update();
}

void NetworkChartLineContainer::setReferenceTime(const QDateTime &referenceTime)
{
    m_referenceTime = referenceTime;
    update();
}

void NetworkChartLineContainer::setMidlineVisible(bool visible)
{
    m_midlineVisible = visible;
    update();
}

void NetworkChartLineContainer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double half = height() / 2.0;
    if (m_midlineVisible) {
        QColor midline(Qt::gray);
        midline.setAlphaF(0.5f);
        painter.setPen(QPen(midline, 1));
        painter.drawLine(QPointF(0, half), QPointF(width(), half));
    }

    NetworkTrafficLine line;
    line.samples = m_samples;
    line.maxY = m_maxY;
    line.width = width();
    line.height = half;
    line.timeWindow = m_timeWindowSeconds;
    line.referenceTime = m_referenceTime.isValid() ? m_referenceTime : QDateTime::currentDateTime();

    const bool dark = ThemeColors::isDark(palette());
    painter.setBrush(Qt::NoBrush);
    QPen pen(ThemeColors::warm(dark), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    line.isOutbound = true;
    painter.setPen(pen);
    painter.drawPath(line.path());

    pen.setColor(ThemeColors::cool(dark));
    line.isOutbound = false;
    painter.setPen(pen);
    painter.drawPath(line.path());
}

} // namespace trevlamark
