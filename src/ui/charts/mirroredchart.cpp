#include "ui/charts/mirroredchart.h"

#include "ui/charts/chartgeometry.h"
#include "ui/charts/trafficgeometry.h"
#include "ui/charts/xaxislabels.h"
#include "ui/charts/yaxislabels.h"
#include "ui/common/themecolors.h"
#include "ui/common/throughputsmoothing.h"

#include <QEvent>
#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace trevlamark {

namespace {

constexpr int panelHeightPx = 150;

QColor withAlpha(QColor colour, float alpha)
{
    colour.setAlphaF(alpha);
    return colour;
}

} // namespace

MirroredChart::MirroredChart(Style style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
    , m_plot(new QWidget(this))
    , m_xAxis(new XAxisLabels(this))
{
    m_plot->installEventFilter(this);
    if (style == Style::Panel) {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(8, 8, 8, 4);
        layout->setSpacing(4);
        layout->addWidget(m_plot, 1);
        layout->addWidget(m_xAxis);
        setFixedHeight(panelHeightPx);
    } else {
        m_yAxis = new YAxisLabels(this);
        auto *layout = new QGridLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setHorizontalSpacing(4);
        layout->setVerticalSpacing(4);
        layout->addWidget(m_yAxis, 0, 0);
        layout->addWidget(m_plot, 0, 1);
        layout->addWidget(m_xAxis, 1, 1);
        layout->setColumnStretch(1, 1);
        m_plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // Its backdrop covers it: nothing beneath needs drawing first.
        m_plot->setAttribute(Qt::WA_OpaquePaintEvent);
        // Extra height goes to the owner's other rows, not between the plot and its labels.
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    refresh();
}

void MirroredChart::setChartData(const QList<TestData> &chartData)
{
    m_series.setPoints(chartData, ThroughputSmoothing::processSmoothingWindow());
    // While a test runs, the refresh tick that moves "now" draws the new
    // points too: a paint of its own for each sample would double the paints.
    if (!m_isRunningTest)
        refresh();
}

void MirroredChart::setTrafficSamples(const QList<NetworkTrafficSample> &samples)
{
    m_samples = samples;
    // While a test runs the right edge is "now", which has moved since the last update.
    refresh();
}

void MirroredChart::setTrafficShown(bool shown)
{
    m_trafficShown = shown;
    m_plot->update();
}

void MirroredChart::setMaxY(double maxY)
{
    if (maxY == m_maxY)
        return;
    m_maxY = maxY;
    if (m_yAxis)
        m_yAxis->setMaxY(maxY);
    m_plot->update();
}

void MirroredChart::setTimeWindow(double timeWindowSeconds)
{
    m_timeWindowSeconds = timeWindowSeconds;
    m_xAxis->setTimeWindow(timeWindowSeconds);
    m_plot->update();
}

void MirroredChart::setRunningTest(bool isRunningTest)
{
    m_isRunningTest = isRunningTest;
    m_xAxis->setRunningTest(isRunningTest);
    refresh();
}

void MirroredChart::setReferenceTime(const std::optional<QDateTime> &referenceTime)
{
    m_referenceTime = referenceTime;
    refresh();
}

void MirroredChart::setPlotHeight(int heightPx)
{
    m_plot->setFixedHeight(heightPx);
    if (m_yAxis)
        m_yAxis->setFixedHeight(heightPx);
}

QDateTime MirroredChart::effectiveReferenceTime() const
{
    std::optional<QDateTime> newest;
    const auto consider = [&newest](const QDateTime &t) {
        if (!newest || t > *newest)
            newest = t;
    };
    if (m_style == Style::Scaled) {
        newest = m_series.newestTime();
    } else {
        for (const NetworkTrafficSample &sample : m_samples)
            consider(sample.timestamp);
    }
    // Only compared with the samples' times: UTC spares reading the time zone at every tick.
    return TrafficGeometry::effectiveReferenceTime(m_isRunningTest, m_referenceTime, newest,
                                                   QDateTime::currentDateTimeUtc());
}

void MirroredChart::refresh()
{
    m_shownReferenceTime = effectiveReferenceTime();
    m_plot->update();
}

bool MirroredChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_plot && event->type() == QEvent::Paint) {
        paintPlot();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MirroredChart::paintEvent(QPaintEvent *)
{
    if (m_style != Style::Panel)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(ThemeColors::cool(this), 0.1f));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

void MirroredChart::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_backdrop = QPixmap();
}

const QPixmap &MirroredChart::backdrop()
{
    const qreal ratio = m_plot->devicePixelRatioF();
    const double width = m_plot->width();
    const double height = m_plot->height();
    // Half-pixel offsets put the one-pixel lines on whole pixels; the last ones stay inside.
    BackdropKey key{m_plot->size(), ratio, {}, {}};
    for (double x : TrafficGeometry::verticalGridLines(width, m_timeWindowSeconds))
        key.columns.append(std::min(std::floor(x) + 0.5, width - 0.5));
    for (double y : TrafficGeometry::horizontalGridLines(height, m_maxY))
        key.rows.append(std::min(std::floor(y) + 0.5, height - 0.5));
    // The scale follows the peak, which creeps up by fractions during a run; the
    // grid is drawn again only when one of its lines lands on another pixel.
    if (!m_backdrop.isNull() && key == m_backdropKey)
        return m_backdrop;
    m_backdropKey = std::move(key);
    m_backdrop = QPixmap(m_plot->size() * ratio);
    m_backdrop.setDevicePixelRatio(ratio);
    // Opaque, on the window's own colour: the tint and lines then come out
    // exactly as when drawn straight onto the window.
    m_backdrop.fill(palette().color(QPalette::Window));
    QPainter painter(&m_backdrop);
    painter.fillRect(m_plot->rect(), withAlpha(ThemeColors::cool(this), 0.1f));
    painter.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.12f), 1));
    for (double line : m_backdropKey.columns)
        painter.drawLine(QPointF(line, 0), QPointF(line, height));
    for (double line : m_backdropKey.rows)
        painter.drawLine(QPointF(0, line), QPointF(width, line));
    return m_backdrop;
}

void MirroredChart::paintPlot()
{
    QPainter painter(m_plot);
    if (m_style == Style::Scaled)
        painter.drawPixmap(0, 0, backdrop());
    painter.setRenderHint(QPainter::Antialiasing);
    ChartGeometry::Frame frame;
    frame.width = m_plot->width();
    frame.centreY = m_plot->height() / 2.0;
    frame.maxY = m_maxY;
    frame.timeWindowSeconds = m_timeWindowSeconds;
    frame.referenceTime = m_shownReferenceTime;
    painter.setPen(QPen(withAlpha(Qt::gray, 0.5f), 1));
    painter.drawLine(QPointF(0, frame.centreY), QPointF(frame.width, frame.centreY));

    const bool dark = ThemeColors::isDark(palette());
    if (!m_series.isEmpty()) {
        // A gauge may have widened the shared smoothing window since the data came.
        m_series.followWindow(ThroughputSmoothing::processSmoothingWindow());
        painter.setPen(Qt::NoPen);
        painter.fillPath(m_series.areas(ChartGeometry::Half::Upper, frame), withAlpha(ThemeColors::warm(dark), 0.5f));
        painter.fillPath(m_series.areas(ChartGeometry::Half::Lower, frame), withAlpha(ThemeColors::cool(dark), 0.5f));
    }
    if (m_trafficShown) {
        painter.setBrush(Qt::NoBrush);
        QPen pen(ThemeColors::warm(dark), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.drawPath(ChartGeometry::trafficLine(m_samples, ChartGeometry::Half::Upper, frame));
        pen.setColor(ThemeColors::cool(dark));
        painter.setPen(pen);
        painter.drawPath(ChartGeometry::trafficLine(m_samples, ChartGeometry::Half::Lower, frame));
    }
}

} // namespace trevlamark
