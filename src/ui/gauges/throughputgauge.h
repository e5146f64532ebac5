#pragma once
// A round gauge for one phase's throughput, scaled to the usable link rate
// (or the chart's dynamic maximum), with the phase's on/off switch below it.

#include "engine/testdata.h"

#include <QList>
#include <QWidget>
#include <optional>

class QCheckBox;
class QVariantAnimation;

namespace trevlamark {

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

    void setValue(double valueMBps);
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

private:
    void refresh();
    void placeSwitch();

    QString m_operation;
    double m_valueMBps = 0;
    std::optional<int> m_maxSpeedMbps;
    std::optional<double> m_dynamicMaxY;
    QList<TestData> m_chartData;
    bool m_isPostTest = false;
    bool m_isRunningTest = false;
    std::optional<int> m_interfaceMTU;
    bool m_isHoveringControls = false;
    bool m_phaseEnabled = true;
    double m_shownFraction = 0;
    double m_shownValue = 0;
    QCheckBox *m_switch;
    QVariantAnimation *m_fractionAnimation;
};

} // namespace trevlamark
