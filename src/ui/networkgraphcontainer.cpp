#include "ui/networkgraphcontainer.h"

#include "ui/graphxaxislabelsview.h"
#include "ui/networkchartlinecontainer.h"
#include "ui/common/themecolors.h"
#include "ui/trafficgeometry.h"

#include <QPainter>
#include <QVBoxLayout>

namespace trevlamark {

NetworkGraphContainer::NetworkGraphContainer(QWidget *parent)
    : QWidget(parent)
    , m_lines(new NetworkChartLineContainer(this))
    , m_xAxisLabels(new GraphXAxisLabelsView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setSpacing(4);
    layout->addWidget(m_lines, 1);
    layout->addWidget(m_xAxisLabels);
    m_xAxisLabels->setMinLabelSpacing(80);
    setPanelHeight(150);
    refresh();
}

void NetworkGraphContainer::setSamples(const QList<NetworkTrafficSample> &samples)
{
    m_samples = samples;
    m_lines->setSamples(samples);
    refresh();
}

void NetworkGraphContainer::setMaxY(double maxY)
{
    m_lines->setMaxY(maxY);
}

void NetworkGraphContainer::setTimeWindow(double timeWindowSeconds)
{
    m_lines->setTimeWindow(timeWindowSeconds);
    m_xAxisLabels->setTimeWindow(timeWindowSeconds);
}

void NetworkGraphContainer::setRunningTest(bool isRunningTest)
{
    m_isRunningTest = isRunningTest;
    m_xAxisLabels->setRunningTest(isRunningTest);
    refresh();
}

void NetworkGraphContainer::setReferenceTime(const std::optional<QDateTime> &referenceTime)
{
    m_referenceTime = referenceTime;
    refresh();
}

void NetworkGraphContainer::setPanelHeight(int heightPx)
{
    setFixedHeight(heightPx);
}

QDateTime NetworkGraphContainer::effectiveReferenceTime() const
{
    std::optional<QDateTime> newest;
    for (const NetworkTrafficSample &sample : m_samples) {
        if (!newest || sample.timestamp > *newest)
            newest = sample.timestamp;
    }
    return TrafficGeometry::effectiveReferenceTime(m_isRunningTest, m_referenceTime, newest,
                                                   QDateTime::currentDateTime());
}

void NetworkGraphContainer::refresh()
{
    m_lines->setReferenceTime(effectiveReferenceTime());
}

void NetworkGraphContainer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = ThemeColors::cool(this);
    background.setAlphaF(0.1f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

} // namespace trevlamark
