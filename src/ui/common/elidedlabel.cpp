#include "ui/common/elidedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace trevlamark {

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

void ElidedLabel::setElidedInTheMiddle(bool elided)
{
    m_elided = elided;
    setWordWrap(false);
    updateGeometry();
    update();
}

QSize ElidedLabel::minimumSizeHint() const
{
    if (!m_elided)
        return QLabel::minimumSizeHint();
    // Room for the ellipsis and a few letters either side of it.
    return {fontMetrics().horizontalAdvance(QStringLiteral("MMMM…MMMM")), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *event)
{
    if (!m_elided) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

bool ElidedLabel::event(QEvent *event)
{
    if (m_elided && event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const bool cut = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), cut ? text() : QString(), this);
        return true;
    }
    return QLabel::event(event);
}

} // namespace trevlamark
