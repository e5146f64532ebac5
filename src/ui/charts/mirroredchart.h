#pragma once
// A time chart mirrored around a centre line: writes and outbound traffic above
// it, reads and inbound traffic below, with time labels under it. The main
// screen shows the interface's traffic on a rounded panel; the test screen shows
// the test's phases as filled areas, with a scale, a grid and the traffic as an
// optional overlay.

#include "engine/testdata.h"
#include "ui/charts/chartseries.h"
#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QPixmap>
#include <QWidget>
#include <optional>

namespace trevlamark {

class XAxisLabels;
class YAxisLabels;

class MirroredChart : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MirroredChart)

public:
    enum class Style {
        // Rounded panel, 150 px high, time labels inside it; the right edge follows the newest traffic sample.
        Panel,
        // Scale on the left, separator grid, plot height set by the owner; the right edge follows the test data.
        Scaled,
    };

    explicit MirroredChart(Style style, QWidget *parent = nullptr);

    void setChartData(const QList<TestData> &chartData);
    void setTrafficSamples(const QList<NetworkTrafficSample> &samples);
    void setTrafficShown(bool shown);
    void setMaxY(double maxY);
    void setTimeWindow(double timeWindowSeconds);
    void setRunningTest(bool isRunningTest);
    void setReferenceTime(const std::optional<QDateTime> &referenceTime);
    void setPlotHeight(int heightPx);

    // Now while running; else the given time; else the newest point; else now.
    QDateTime effectiveReferenceTime() const;
    // The drawing area, where owners place their overlays.
    QWidget *plotArea() const { return m_plot; }
    XAxisLabels *xAxisLabels() const { return m_xAxis; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void paintPlot();
    // The scaled plot's tint and grid, drawn again only when the plot's
    // size, scale, window or palette changes.
    const QPixmap &backdrop();

    // What the backdrop was drawn for: the plot's pixels and where its grid lines fall.
    struct BackdropKey
    {
        QSize size;
        qreal ratio = 0;
        QList<double> columns;
        QList<double> rows;
        bool operator==(const BackdropKey &) const = default;
    };

    Style m_style;
    ChartSeries m_series;
    QList<NetworkTrafficSample> m_samples;
    bool m_trafficShown = true;
    double m_maxY = 125;
    double m_timeWindowSeconds = 60;
    bool m_isRunningTest = false;
    std::optional<QDateTime> m_referenceTime;
    // The right edge as of the last data change, so a repaint alone does not move the curves.
    QDateTime m_shownReferenceTime;
    QPixmap m_backdrop;
    BackdropKey m_backdropKey;
    YAxisLabels *m_yAxis = nullptr;
    QWidget *m_plot;
    XAxisLabels *m_xAxis;
};

} // namespace trevlamark
