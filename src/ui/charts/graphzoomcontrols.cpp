#include "ui/charts/graphzoomcontrols.h"

#include "ui/charts/trafficgeometry.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace trevlamark {

namespace {

QToolButton *zoomButton(const QString &iconName, const QString &fallbackText, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    const QIcon icon = QIcon::fromTheme(iconName);
    if (icon.isNull())
        button->setText(fallbackText);
    else
        button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

GraphZoomControls::GraphZoomControls(QWidget *parent)
    : QWidget(parent)
    , m_zoomOutButton(zoomButton(QStringLiteral("zoom-out"), QStringLiteral("−"), QStringLiteral("Zoom out"), this))
    , m_windowLabel(new QLabel(this))
    , m_zoomInButton(zoomButton(QStringLiteral("zoom-in"), QStringLiteral("+"), QStringLiteral("Zoom in"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_zoomOutButton);
    layout->addWidget(m_windowLabel);
    layout->addWidget(m_zoomInButton);
    m_windowLabel->setAlignment(Qt::AlignCenter);
    m_windowLabel->setMinimumWidth(m_windowLabel->fontMetrics().horizontalAdvance(QStringLiteral("3600s")));
    connect(m_zoomOutButton, &QToolButton::clicked, this, &GraphZoomControls::zoomOut);
    connect(m_zoomInButton, &QToolButton::clicked, this, &GraphZoomControls::zoomIn);
    refresh();
}

void GraphZoomControls::setTimeWindow(double timeWindowSeconds)
{
    if (m_timeWindowSeconds == timeWindowSeconds)
        return;
    m_timeWindowSeconds = timeWindowSeconds;
    refresh();
    emit timeWindowChanged(m_timeWindowSeconds);
}

void GraphZoomControls::zoomIn()
{
    setTimeWindow(TrafficGeometry::zoomedIn(m_timeWindowSeconds));
}

void GraphZoomControls::zoomOut()
{
    setTimeWindow(TrafficGeometry::zoomedOut(m_timeWindowSeconds));
}

QString GraphZoomControls::windowText() const
{
    return m_windowLabel->text();
}

void GraphZoomControls::refresh()
{
    m_windowLabel->setText(TrafficGeometry::timeWindowText(m_timeWindowSeconds));
    m_zoomInButton->setEnabled(TrafficGeometry::canZoomIn(m_timeWindowSeconds));
    m_zoomOutButton->setEnabled(TrafficGeometry::canZoomOut(m_timeWindowSeconds));
}

void GraphZoomControls::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = palette().color(QPalette::WindowText);
    background.setAlphaF(0.1f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

} // namespace trevlamark
