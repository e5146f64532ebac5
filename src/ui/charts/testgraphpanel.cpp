#include "ui/charts/testgraphpanel.h"

#include "settings/preferencesmanager.h"
#include "ui/charts/graphzoomcontrols.h"
#include "ui/charts/mirroredchart.h"
#include "ui/charts/smoothingwindowbadge.h"
#include "ui/charts/speedindicator.h"
#include "ui/charts/timelinemarkerdot.h"
#include "ui/charts/trafficgeometry.h"
#include "ui/common/interfaceinfopopover.h"
#include "ui/common/themecolors.h"
#include "ui/common/throughputsmoothing.h"

#include <QCheckBox>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace trevlamark {

namespace {

constexpr int overlayPaddingPx = 8;
constexpr int hoverFadeMs = 200;
constexpr int heightAnimationMs = 500;

QLabel *legendLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A theme icon, or the style's own when the desktop has no icon theme.
void setThemedIcon(QToolButton *button, const QString &iconName, QStyle::StandardPixmap fallback)
{
    button->setIcon(QIcon::fromTheme(iconName, button->style()->standardIcon(fallback)));
}

QPropertyAnimation *fadeAnimation(QGraphicsOpacityEffect *effect, QObject *parent)
{
    auto *animation = new QPropertyAnimation(effect, "opacity", parent);
    animation->setDuration(hoverFadeMs);
    return animation;
}

} // namespace

TestGraphPanel::TestGraphPanel(QWidget *parent)
    : QWidget(parent)
    , m_captureLabel(legendLabel(QStringLiteral("Capture"), this))
    , m_uploadIndicator(new SpeedIndicator(SpeedIndicator::Direction::Upload, this))
    , m_playbackLabel(legendLabel(QStringLiteral("Playback"), this))
    , m_downloadIndicator(new SpeedIndicator(SpeedIndicator::Direction::Download, this))
    , m_interfaceRow(new QWidget(this))
    , m_interfaceLabel(new QLabel(m_interfaceRow))
    , m_infoButton(new QToolButton(m_interfaceRow))
    , m_overlaySwitch(new QCheckBox(m_interfaceRow))
    , m_chart(new MirroredChart(MirroredChart::Style::Scaled, this))
    , m_expandButton(new QToolButton(m_chart->plotArea()))
    , m_zoomControls(new GraphZoomControls(m_chart->plotArea()))
    , m_badge(new SmoothingWindowBadge(m_chart->plotArea()))
    , m_infoPopover(new InterfaceInfoPopover(this))
    , m_heightAnimation(new QVariantAnimation(this))
    , m_expandOpacity(new QGraphicsOpacityEffect(m_expandButton))
    , m_zoomOpacity(new QGraphicsOpacityEffect(m_zoomControls))
    , m_expandFade(fadeAnimation(m_expandOpacity, this))
    , m_zoomFade(fadeAnimation(m_zoomOpacity, this))
{
    auto *legend = new QHBoxLayout;
    legend->setSpacing(6);
    m_captureLabel->setFixedWidth(150);
    legend->addWidget(m_captureLabel);
    legend->addWidget(m_uploadIndicator);
    legend->addSpacing(6);
    legend->addWidget(m_playbackLabel);
    legend->addWidget(m_downloadIndicator);
    legend->addStretch(1);

    auto *interfaceLayout = new QHBoxLayout(m_interfaceRow);
    interfaceLayout->setContentsMargins(0, 0, 8, 0);
    QFont footnote = m_interfaceLabel->font();
    footnote.setPixelSize(12);
    m_interfaceLabel->setFont(footnote);
    m_interfaceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setThemedIcon(m_infoButton, QStringLiteral("dialog-information"), QStyle::SP_MessageBoxInformation);
    m_infoButton->setAutoRaise(true);
    m_infoButton->setCheckable(true);
    m_overlaySwitch->setToolTip(QStringLiteral("Network traffic"));
    interfaceLayout->addWidget(m_interfaceLabel);
    interfaceLayout->addWidget(m_infoButton);
    interfaceLayout->addStretch(1);
    interfaceLayout->addWidget(m_overlaySwitch);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(legend);
    layout->addWidget(m_interfaceRow);
    layout->addWidget(m_chart);

    QWidget *plot = m_chart->plotArea();
    plot->setMouseTracking(true);
    plot->setAttribute(Qt::WA_Hover);
    plot->installEventFilter(this);
    m_chart->setPlotHeight(plotHeightTarget());
    m_chart->setTrafficShown(false);

    m_expandButton->setAutoRaise(true);
    m_expandButton->setGraphicsEffect(m_expandOpacity);
    m_zoomControls->setGraphicsEffect(m_zoomOpacity);
    m_expandOpacity->setOpacity(0);
    m_zoomOpacity->setOpacity(0);

    m_heightAnimation->setDuration(heightAnimationMs);
    m_heightAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_heightAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { m_chart->setPlotHeight(value.toInt()); });

    connect(m_expandButton, &QToolButton::clicked, this, [this] { setGraphExpanded(!m_isGraphExpanded); });
    connect(m_zoomControls, &GraphZoomControls::timeWindowChanged, this, &TestGraphPanel::setTimeWindow);
    connect(m_overlaySwitch, &QCheckBox::toggled, this, &TestGraphPanel::setShowNetworkOverlay);
    connect(m_infoButton, &QToolButton::clicked, this, [this](bool checked) { setShowingInterfaceInfo(checked); });
    connect(m_infoPopover, &InterfaceInfoPopover::closed, this, [this] { setShowingInterfaceInfo(false); });

    setGraphExpanded(false);
    refreshInterfaceLine();
    refreshLegend();
    refresh();
}

TestGraphPanel::~TestGraphPanel() = default;

QWidget *TestGraphPanel::plotArea() const
{
    return m_chart->plotArea();
}

void TestGraphPanel::setChartData(const QList<TestData> &chartData)
{
    m_chart->setChartData(chartData);
    // While a test runs, the next refresh tick places the marker dots.
    if (!m_isRunningTest)
        refresh();
}

void TestGraphPanel::setMaxY(double maxY)
{
    m_chart->setMaxY(maxY);
}

void TestGraphPanel::setRunningTest(bool isRunningTest)
{
    m_badge->setVisible(PreferencesManager::isDeveloperMode());
    m_isRunningTest = isRunningTest;
    m_chart->setRunningTest(isRunningTest);
    refresh();
}

void TestGraphPanel::setReferenceTime(const std::optional<QDateTime> &referenceTime)
{
    m_chart->setReferenceTime(referenceTime);
    refresh();
}

void TestGraphPanel::setPostTestView(bool isPostTestView)
{
    m_isPostTestView = isPostTestView;
    refreshLegend();
}

void TestGraphPanel::setNetworkLocation(bool isNetworkLocation)
{
    m_isNetworkLocation = isNetworkLocation;
    refreshInterfaceLine();
}

void TestGraphPanel::setInterfaceID(const QString &interfaceID)
{
    m_interfaceID = interfaceID;
    m_infoPopover->setInterfaceID(interfaceID);
    refreshInterfaceLine();
}

void TestGraphPanel::setNetworkRawSpeed(const std::optional<QString> &networkRawSpeed)
{
    m_networkRawSpeed = networkRawSpeed;
    refreshInterfaceLine();
}

void TestGraphPanel::setCachedInterfaceInfo(const std::optional<NetworkInterfaceInfo> &info)
{
    m_cachedInterfaceInfo = info;
    m_infoPopover->setInterfaceInfo(info);
    refreshInterfaceLine();
}

void TestGraphPanel::setNetworkChartData(const QList<NetworkTrafficSample> &samples)
{
    m_chart->setTrafficSamples(samples);
    refresh();
}

void TestGraphPanel::setTimelineMarkers(const QList<TimelineMarker> &markers)
{
    const auto sameIds = [&] {
        if (markers.size() != m_timelineMarkers.size())
            return false;
        for (qsizetype i = 0; i < markers.size(); ++i) {
            if (markers.at(i).id != m_timelineMarkers.at(i).id)
                return false;
        }
        return true;
    };
    const bool changed = !sameIds();
    m_timelineMarkers = markers;
    if (changed)
        rebuildMarkerDots();
    placeMarkerDots();
}

void TestGraphPanel::setMonitoring(bool isMonitoring)
{
    m_isMonitoring = isMonitoring;
    refreshLegend();
}

void TestGraphPanel::setCurrentThroughput(double inboundMBps, double outboundMBps)
{
    m_downloadIndicator->setSpeed(inboundMBps);
    m_uploadIndicator->setSpeed(outboundMBps);
}

void TestGraphPanel::setMainWindowSize(const QSize &size)
{
    if (m_mainWindowSize == size)
        return;
    m_mainWindowSize = size;
    animateHeight();
}

void TestGraphPanel::setTimeWindow(double timeWindowSeconds)
{
    if (m_timeWindowSeconds == timeWindowSeconds)
        return;
    m_timeWindowSeconds = timeWindowSeconds;
    m_zoomControls->setTimeWindow(timeWindowSeconds);
    m_chart->setTimeWindow(timeWindowSeconds);
    refresh();
    emit timeWindowChanged(m_timeWindowSeconds);
}

void TestGraphPanel::setGraphExpanded(bool expanded)
{
    const bool changed = m_isGraphExpanded != expanded;
    m_isGraphExpanded = expanded;
    if (expanded) {
        setThemedIcon(m_expandButton, QStringLiteral("view-restore"), QStyle::SP_TitleBarNormalButton);
        m_expandButton->setToolTip(QStringLiteral("Collapse graph"));
    } else {
        setThemedIcon(m_expandButton, QStringLiteral("view-fullscreen"), QStyle::SP_TitleBarMaxButton);
        m_expandButton->setToolTip(QStringLiteral("Expand graph"));
    }
    if (!changed)
        return;
    animateHeight();
    emit graphExpandedChanged(expanded);
}

void TestGraphPanel::setRestartMonitoring(bool raised)
{
    if (m_restartMonitoring == raised)
        return;
    m_restartMonitoring = raised;
    emit restartMonitoringChanged(raised);
    if (!raised)
        return;
    emit restartMonitoringRequested(m_interfaceID);
    QMetaObject::invokeMethod(this, [this] { setRestartMonitoring(false); }, Qt::QueuedConnection);
}

void TestGraphPanel::setShowNetworkOverlay(bool show)
{
    if (m_showNetworkOverlay == show)
        return;
    m_showNetworkOverlay = show;
    m_overlaySwitch->setChecked(show);
    m_chart->setTrafficShown(show);
    refreshLegend();
    emit showNetworkOverlayChanged(show);
}

void TestGraphPanel::setShowingInterfaceInfo(bool showing)
{
    if (m_showingInterfaceInfo == showing)
        return;
    m_showingInterfaceInfo = showing;
    m_infoButton->setChecked(showing);
    if (showing) {
        m_infoPopover->showBelow(m_infoButton);
        emit interfaceInfoRequested(m_interfaceID);
    } else {
        m_infoPopover->hide();
    }
}

QDateTime TestGraphPanel::effectiveReferenceTime() const
{
    return m_chart->effectiveReferenceTime();
}

QString TestGraphPanel::interfaceLineText() const
{
    return m_interfaceLabel->text();
}

bool TestGraphPanel::areSpeedIndicatorsShown() const
{
    return m_showNetworkOverlay && !m_isPostTestView && m_isMonitoring;
}

int TestGraphPanel::plotHeightTarget() const
{
    return static_cast<int>(TrafficGeometry::graphAreaHeight(m_isGraphExpanded, m_mainWindowSize.height()));
}

bool TestGraphPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_chart->plotArea())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        placeOverlays();
        break;
    case QEvent::Enter:
    case QEvent::HoverEnter:
        setGraphHovered(true);
        break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
        setGraphHovered(false);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TestGraphPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The legend's colours follow a switch between the light and the dark palette.
    if (event->type() == QEvent::PaletteChange)
        refreshLegend();
}

void TestGraphPanel::refresh()
{
    // The mode is read from the preferences file: not on every tick of a run.
    if (!m_isRunningTest)
        m_badge->setVisible(PreferencesManager::isDeveloperMode());
    const int window = ThroughputSmoothing::processSmoothingWindow();
    if (m_badge->windowSize() != window) {
        m_badge->setWindowSize(window);
        m_badge->adjustSize();
    }
    placeMarkerDots();
}

void TestGraphPanel::refreshLegend()
{
    const bool shown = areSpeedIndicatorsShown();
    m_uploadIndicator->setVisible(shown);
    m_downloadIndicator->setVisible(shown);
    const bool dark = ThemeColors::isDark(palette());
    QPalette warm = m_captureLabel->palette();
    warm.setColor(QPalette::WindowText, ThemeColors::readableText(ThemeColors::warm(dark), palette()));
    m_captureLabel->setPalette(warm);
    QPalette cool = m_playbackLabel->palette();
    cool.setColor(QPalette::WindowText, ThemeColors::readableText(ThemeColors::cool(dark), palette()));
    m_playbackLabel->setPalette(cool);
}

void TestGraphPanel::refreshInterfaceLine()
{
    m_interfaceRow->setVisible(m_isNetworkLocation || !m_interfaceID.isEmpty());
    m_interfaceLabel->setText(
        TrafficGeometry::interfaceLineText(m_interfaceID, m_cachedInterfaceInfo, m_networkRawSpeed));
}

void TestGraphPanel::placeOverlays()
{
    const QRect area = m_chart->plotArea()->rect();
    m_expandButton->adjustSize();
    m_expandButton->move(area.width() - m_expandButton->width() - overlayPaddingPx, overlayPaddingPx);
    m_zoomControls->adjustSize();
    m_zoomControls->move((area.width() - m_zoomControls->width()) / 2,
                         area.height() - m_zoomControls->height() - overlayPaddingPx);
    m_badge->adjustSize();
    m_badge->move(overlayPaddingPx, overlayPaddingPx);
    placeMarkerDots();
}

void TestGraphPanel::rebuildMarkerDots()
{
    qDeleteAll(m_dots);
    m_dots.clear();
    m_dotOffsets.clear();
    // Grouped once here, not at each placing: the dots move with every tick of a run.
    for (const auto &bucket : TrafficGeometry::markerBuckets(m_timelineMarkers)) {
        const int count = int(bucket.markers.size());
        for (int i = 0; i < count; ++i) {
            auto *dot = new TimelineMarkerDot(bucket.markers.at(i), m_chart->plotArea());
            dot->show();
            m_dots.append(dot);
            m_dotOffsets.append(TrafficGeometry::markerOffset(i, count));
        }
    }
    // New dots stack on top; the plot's controls stay above them. Raising
    // only here keeps a refresh from repainting the controls every tick.
    m_expandButton->raise();
    m_zoomControls->raise();
    m_badge->raise();
}

void TestGraphPanel::placeMarkerDots()
{
    if (m_dots.isEmpty())
        return;
    const QDateTime reference = effectiveReferenceTime();
    const double width = m_chart->plotArea()->width();
    const double midline = m_chart->plotArea()->height() / 2.0;
    for (qsizetype i = 0; i < m_dots.size(); ++i) {
        TimelineMarkerDot *dot = m_dots.at(i);
        const double x = TrafficGeometry::markerX(dot->marker().timestamp, reference, m_timeWindowSeconds, width);
        dot->moveCentreTo(QPointF(x, midline + m_dotOffsets.at(i)));
    }
}

void TestGraphPanel::setGraphHovered(bool hovered)
{
    if (m_isGraphHovered == hovered)
        return;
    m_isGraphHovered = hovered;
    for (auto [animation, effect] : {std::pair{m_expandFade, m_expandOpacity}, std::pair{m_zoomFade, m_zoomOpacity}}) {
        animation->stop();
        animation->setStartValue(effect->opacity());
        animation->setEndValue(hovered ? 1.0 : 0.0);
        animation->start();
    }
}

void TestGraphPanel::animateHeight()
{
    m_heightAnimation->stop();
    m_heightAnimation->setStartValue(m_chart->plotArea()->height());
    m_heightAnimation->setEndValue(plotHeightTarget());
    m_heightAnimation->start();
}

} // namespace trevlamark
