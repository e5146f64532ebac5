#pragma once
// A round gauge for one phase's throughput, scaled to the usable link rate
// (or the chart's dynamic maximum), with the phase's on/off switch below it.

#include "engine/testdata.h"
#include "ui/gauges/newestphaseaverage.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <optional>

class QCheckBox;

namespace trevlamark {

class PaintClock;

class ThroughputGauge : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ThroughputGauge)
    Q_PROPERTY(bool phaseEnabled READ isPhaseEnabled WRITE setPhaseEnabled NOTIFY phaseEnabledChanged)

public:
    static constexpr int gaugeSizePx = 200;
    // When the window is narrow the dial may shrink to this, drawn scaled.
    static constexpr int minimumGaugeSizePx = 160;
    static constexpr int switchHeightPx = 24;

    // `operation` is "Write" or "Read"; it picks the colour and the chart points shown.
    explicit ThroughputGauge(const QString &operation, QWidget *parent = nullptr);

    // While the clock runs, the arc glides on its ticks; otherwise on a timer of its own.
    void setPaintClock(PaintClock *clock);
    void setValue(double valueMBps);
    // A completed phase's own figure, shown until a newer phase of the
    // operation has points: the trailing average of a phase's last points can
    // be a tail of near-empty intervals, and a phase shorter than the
    // smoothing window (or than fio's status line) has hardly any.
    void setCompletedPhase(int phaseId, double valueMBps);
    void setMaxSpeedMbps(std::optional<int> maxSpeedMbps);
    void setDynamicMaxY(std::optional<double> dynamicMaxY);
    void setChartData(const QList<TestData> &chartData);
    void setPostTest(bool isPostTest);
    void setRunningTest(bool isRunningTest);
    void setInterfaceMTU(std::optional<int> mtuBytes);
    void setHoveringControls(bool isHoveringControls);

    bool isPhaseEnabled() const { return m_phaseEnabled; }
    void setPhaseEnabled(bool enabled);

    QString operation() const { return m_operation; }
    double displayedValue() const;
    double targetFraction() const;
    // The fraction drawn now, on its way to the target.
    double shownFraction() const { return m_shownFraction; }
    std::optional<int> percentOfMax() const;
    bool isSwitchShown() const;
    // Side of the square the dial is drawn in at the current width.
    int gaugeSidePx() const;
    QCheckBox *phaseSwitch() const { return m_switch; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void phaseEnabledChanged(bool enabled);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void refresh();
    void placeSwitch();
    // Moves the arc a step towards its target; the last step lands on it.
    void stepArc();
    // The value and percent as drawn: a change of them alone repaints the dial's middle.
    QString valueText() const;
    // The square the dial is drawn in, and a part of the 200 px dial in widget pixels.
    QRect dialRect() const;
    // The whole ring's length at the current size, in widget pixels.
    double arcLengthPx() const;
    QRect toWidget(const QRectF &dialArea) const;
    QColor operationColour() const;
    const QPixmap &staticLayer();

    QString m_operation;
    double m_valueMBps = 0;
    std::optional<int> m_maxSpeedMbps;
    std::optional<double> m_dynamicMaxY;
    bool m_hasChartData = false;
    NewestPhaseAverage m_newestPhase;
    std::optional<int> m_completedPhaseId;
    double m_completedPhaseValue = 0;
    bool m_isPostTest = false;
    bool m_isRunningTest = false;
    std::optional<int> m_interfaceMTU;
    bool m_isHoveringControls = false;
    bool m_phaseEnabled = true;
    double m_shownFraction = 0;
    // The arc's move under way: from where it was when the target changed, over a fixed time.
    double m_fromFraction = 0;
    double m_targetFraction = 0;
    QElapsedTimer m_arcClock;
    QBasicTimer m_arcTimer;
    QPointer<PaintClock> m_paintClock;
    bool m_gliding = false;
    // The fraction the last repaint of the arc was asked for.
    double m_scheduledFraction = 0;
    double m_shownValue = 0;
    QString m_paintedText;
    QPixmap m_staticLayer;
    int m_staticLayerSide = 0;
    bool m_staticLayerEnabled = true;
    QCheckBox *m_switch;
};

} // namespace trevlamark
