#include "ui/common/steadymessage.h"

#include <QLabel>
#include <QResizeEvent>

namespace trevlamark {

namespace {

// Room for the margins a label's text document keeps on either side.
constexpr int oneLineSlackPx = 16;

} // namespace

SteadyMessage::SteadyMessage(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    m_label->setWordWrap(true);
    // As wide as it is given: a long text wraps instead of widening the screen.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString SteadyMessage::text() const
{
    return m_label->text();
}

void SteadyMessage::setText(const QString &text)
{
    if (m_label->text() == text)
        return;
    m_label->setText(text);
    // A line well inside the width keeps a one-line height; measuring that is
    // cheaper than laying the text out, which a selectable label does in a document.
    const bool oneLine = !text.isEmpty() && !text.contains(QLatin1Char('\n'))
                         && m_label->fontMetrics().horizontalAdvance(text) + oneLineSlackPx < width();
    if (oneLine && m_wasOneLine)
        return;
    const int needed = heightForWidth(width());
    m_wasOneLine = oneLine && needed == height();
    if (needed != height())
        updateGeometry();
}

int SteadyMessage::heightForWidth(int width) const
{
    return m_label->heightForWidth(width);
}

QSize SteadyMessage::sizeHint() const
{
    return m_label->sizeHint();
}

QSize SteadyMessage::minimumSizeHint() const
{
    return QSize(0, m_label->minimumSizeHint().height());
}

void SteadyMessage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_label->setGeometry(rect());
    // Measured again at the next text.
    m_wasOneLine = false;
}

} // namespace trevlamark
