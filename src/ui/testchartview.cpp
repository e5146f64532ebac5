#include "ui/testchartview.h"

#include "ui/testchartline.h"
#include "ui/common/themecolors.h"

#include <QPainter>

namespace trevlamark {

TestChartView::TestChartView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TestChartView::setChartData(const QList<TestData> &chartData)
{
    m_chartData = chartData;
    update();
}

void TestChartView::setMaxY(double maxY)
{
    m_maxY = maxY;
    update();
}

void TestChartView::setTimeWindow(double timeWindowSeconds)
{
    m_timeWindowSeconds = timeWindowSeconds;
    update();
}

void TestChartView::setReferenceTime(const QDateTime &referenceTime)
{
    m_referenceTime = referenceTime;
    update();
}

void TestChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double half = height() / 2.0;

    QColor midline(Qt::gray);
    midline.setAlphaF(0.5f);
    painter.setPen(QPen(midline, 1));
    painter.drawLine(QPointF(0, half), QPointF(width(), half));

    TestChartLine line;
    line.data = m_chartData;
    line.maxY = m_maxY;
    line.width = width();
    line.height = half;
    line.timeWindow = m_timeWindowSeconds;
    line.referenceTime = m_referenceTime.isValid() ? m_referenceTime : QDateTime::currentDateTime();

    const bool dark = ThemeColors::isDark(palette());
    painter.setPen(Qt::NoPen);
    QColor warm = ThemeColors::warm(dark);
    warm.setAlphaF(0.5f);
    line.isWriteOperation = true;
    painter.fillPath(line.path(), warm);

    // The read half lies below the baseline: its own `height` is measured from the top.
    QColor cool = ThemeColors::cool(dark);
    cool.setAlphaF(0.5f);
    line.isWriteOperation = false;
    painter.fillPath(line.path(), cool);
}

} // namespace trevlamark
