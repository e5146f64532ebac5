#pragma once
// The graph area of the test screen: a mirrored chart of the running test's
// throughput with an optional overlay of the interface's traffic, plus timeline
// markers, zoom, expand/collapse, legend and the interface line.

#include "discovery/networkinterfaceinfo.h"
#include "engine/testdata.h"
#include "engine/timelinemarker.h"
#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QWidget>
#include <optional>

class QCheckBox;
class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class QToolButton;
class QVariantAnimation;

namespace trevlamark {

class GraphZoomControls;
class InterfaceInfoPopover;
class MirroredChart;
class SmoothingWindowBadge;
class SpeedIndicator;
class TimelineMarkerDot;

class TestGraphPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TestGraphPanel)
    Q_PROPERTY(double timeWindow READ timeWindow WRITE setTimeWindow NOTIFY timeWindowChanged)
    Q_PROPERTY(bool isGraphExpanded READ isGraphExpanded WRITE setGraphExpanded NOTIFY graphExpandedChanged)
    Q_PROPERTY(bool restartMonitoring READ restartMonitoring WRITE setRestartMonitoring NOTIFY
                   restartMonitoringChanged)
    Q_PROPERTY(bool showNetworkOverlay READ showNetworkOverlay WRITE setShowNetworkOverlay NOTIFY
                   showNetworkOverlayChanged)

public:
    explicit TestGraphPanel(QWidget *parent = nullptr);
    ~TestGraphPanel() override;

    void setChartData(const QList<TestData> &chartData);
    void setMaxY(double maxY);
    void setRunningTest(bool isRunningTest);
    void setReferenceTime(const std::optional<QDateTime> &referenceTime);
    void setPostTestView(bool isPostTestView);
    void setNetworkLocation(bool isNetworkLocation);
    void setInterfaceID(const QString &interfaceID);
    void setNetworkRawSpeed(const std::optional<QString> &networkRawSpeed);
    // The share manager's cached record for the interface, once looked up.
    void setCachedInterfaceInfo(const std::optional<NetworkInterfaceInfo> &info);
    void setNetworkChartData(const QList<NetworkTrafficSample> &samples);
    void setTimelineMarkers(const QList<TimelineMarker> &markers);
    // The sampler's state and current rates (MB/s) for the legend.
    void setMonitoring(bool isMonitoring);
    void setCurrentThroughput(double inboundMBps, double outboundMBps);
    void setMainWindowSize(const QSize &size);

    double timeWindow() const { return m_timeWindowSeconds; }
    void setTimeWindow(double timeWindowSeconds);
    bool isGraphExpanded() const { return m_isGraphExpanded; }
    void setGraphExpanded(bool expanded);
    bool restartMonitoring() const { return m_restartMonitoring; }
    // Raising it asks for a sampler restart; the flag drops again on the next event-loop turn.
    void setRestartMonitoring(bool raised);
    bool showNetworkOverlay() const { return m_showNetworkOverlay; }
    void setShowNetworkOverlay(bool show);

    void setShowingInterfaceInfo(bool showing);
    QDateTime effectiveReferenceTime() const;
    QString interfaceLineText() const;
    bool areSpeedIndicatorsShown() const;
    int plotHeightTarget() const;
    QWidget *plotArea() const;
    MirroredChart *chart() const { return m_chart; }
    GraphZoomControls *zoomControls() const { return m_zoomControls; }

signals:
    void timeWindowChanged(double timeWindowSeconds);
    void graphExpandedChanged(bool expanded);
    void restartMonitoringChanged(bool raised);
    // The screen calls restartMonitoring(interfaceID) on its sampler.
    void restartMonitoringRequested(const QString &interfaceID);
    void showNetworkOverlayChanged(bool show);
    // The screen looks the record up and answers with setCachedInterfaceInfo().
    void interfaceInfoRequested(const QString &interfaceID);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void refreshLegend();
    void refreshInterfaceLine();
    void placeOverlays();
    void placeMarkerDots();
    void rebuildMarkerDots();
    void setGraphHovered(bool hovered);
    void animateHeight();

    QList<TimelineMarker> m_timelineMarkers;
    double m_timeWindowSeconds = 60;
    bool m_isPostTestView = false;
    bool m_isNetworkLocation = false;
    QString m_interfaceID;
    std::optional<QString> m_networkRawSpeed;
    std::optional<NetworkInterfaceInfo> m_cachedInterfaceInfo;
    bool m_isMonitoring = false;
    QSize m_mainWindowSize{600, 750};
    bool m_isGraphExpanded = false;
    bool m_restartMonitoring = false;
    bool m_isGraphHovered = false;
    bool m_showNetworkOverlay = false;
    bool m_showingInterfaceInfo = false;
    bool m_isRunningTest = false;

    QLabel *m_captureLabel;
    SpeedIndicator *m_uploadIndicator;
    QLabel *m_playbackLabel;
    SpeedIndicator *m_downloadIndicator;
    QWidget *m_interfaceRow;
    QLabel *m_interfaceLabel;
    QToolButton *m_infoButton;
    QCheckBox *m_overlaySwitch;
    MirroredChart *m_chart;
    QList<TimelineMarkerDot *> m_dots;
    // Each dot's distance from the midline, apart from the others of its moment.
    QList<double> m_dotOffsets;
    QToolButton *m_expandButton;
    GraphZoomControls *m_zoomControls;
    SmoothingWindowBadge *m_badge;
    InterfaceInfoPopover *m_infoPopover;
    QVariantAnimation *m_heightAnimation;
    QGraphicsOpacityEffect *m_expandOpacity;
    QGraphicsOpacityEffect *m_zoomOpacity;
    QPropertyAnimation *m_expandFade;
    QPropertyAnimation *m_zoomFade;
};

} // namespace trevlamark
