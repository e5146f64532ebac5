#include "ui/mainscreen/storagepiechart.h"

#include "ui/common/themecolors.h"

#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

namespace trevlamark {

namespace {
constexpr int scaleAnimationMilliseconds = 200;
constexpr int centreDotPx = 12;

QString fullByteCount(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}
} // namespace

StoragePieChart::StoragePieChart(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
}

StoragePieChart::~StoragePieChart()
{
    delete m_hoverPanel;
}

void StoragePieChart::setStorage(qint64 usedBytes, qint64 freeBytes, qint64 totalBytes)
{
    m_usedBytes = usedBytes;
    m_freeBytes = freeBytes;
    m_totalBytes = totalBytes;
    m_percentage = usedFraction(usedBytes, totalBytes);
    update();
}

double StoragePieChart::usedFraction(qint64 usedBytes, qint64 totalBytes)
{
    if (totalBytes <= 0)
        return 0;
    return std::clamp(double(usedBytes) / double(totalBytes), 0.0, 1.0);
}

QPainterPath StoragePieChart::pieSlicePath(const QRectF &rect, double percentage)
{
    QPainterPath path;
    path.moveTo(rect.center());
    // Qt's angles run counter-clockwise from three o'clock: the top is 90 and
    // a clockwise sweep is negative.
    path.arcTo(rect, 90.0, -360.0 * std::clamp(percentage, 0.0, 1.0));
    path.closeSubpath();
    return path;
}

QStringList StoragePieChart::hoverLines(qint64 usedBytes, qint64 freeBytes, qint64 totalBytes)
{
    return {QStringLiteral("Used: ") + fullByteCount(usedBytes), QStringLiteral("Free: ") + fullByteCount(freeBytes),
            QStringLiteral("Total: ") + fullByteCount(totalBytes)};
}

QSize StoragePieChart::sizeHint() const
{
    // Room for the enlarged pie, so hovering never moves the row's layout.
    const int side = int(diameterPx * hoverScale) + 2;
    return {side, side};
}

QSize StoragePieChart::minimumSizeHint() const
{
    return sizeHint();
}

void StoragePieChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.translate(width() / 2.0, height() / 2.0);
    painter.scale(m_scale, m_scale);
    const QRectF pie(-diameterPx / 2.0, -diameterPx / 2.0, diameterPx, diameterPx);
    QColor background = ThemeColors::cool(this);
    background.setAlphaF(0.3f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawEllipse(pie);
    painter.setBrush(ThemeColors::warm(this));
    painter.drawPath(pieSlicePath(pie, m_percentage));
    QColor dot(Qt::white);
    dot.setAlphaF(0.6f);
    painter.setBrush(dot);
    painter.drawEllipse(QRectF(-centreDotPx / 2.0, -centreDotPx / 2.0, centreDotPx, centreDotPx));
    painter.restore();
}

void StoragePieChart::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void StoragePieChart::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

void StoragePieChart::setHovered(bool isHovered)
{
    if (m_isHovered == isHovered)
        return;
    m_isHovered = isHovered;
    // A fresh animation each time: a finished one does not run again reliably.
    if (m_scaleAnimation)
        m_scaleAnimation->stop();
    auto *animation = new QVariantAnimation(this);
    animation->setDuration(scaleAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(m_scale);
    animation->setEndValue(isHovered ? hoverScale : 1.0);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_scale = value.toDouble();
        update();
    });
    m_scaleAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    delete m_hoverPanel;
    if (!isHovered)
        return;
    auto *panel = new QFrame(nullptr, Qt::ToolTip);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    for (const QString &line : hoverLines(m_usedBytes, m_freeBytes, m_totalBytes)) {
        auto *label = new QLabel(line, panel);
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        label->setFont(font);
        layout->addWidget(label);
    }
    panel->adjustSize();
    panel->move(mapToGlobal(QPoint(width() / 2 - panel->width() / 2, -panel->height() - 4)));
    panel->show();
    m_hoverPanel = panel;
}

} // namespace trevlamark
