#include "ui/common/resultcard.h"

#include "engine/resultformatter.h"
#include "engine/playsestimate.h"
#include "ui/common/bytecountformat.h"
#include "ui/common/playsview.h"
#include "ui/common/themecolors.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevlamark {

ResultCard::ResultCard(QWidget *parent)
    : QFrame(parent)
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("resultCard"));
    m_layout->setContentsMargins(16, 16, 16, 16);
    m_layout->setSpacing(2);
}

void ResultCard::setResult(const PerformanceTestResult &result)
{
    m_result = result;
    rebuild();
}

QList<ResultLine> ResultCard::lines(const PerformanceTestResult &result)
{
    // Sizes in the screen's own way ("8 MB", "1.5 GB"), shorter than the CLI's two decimals.
    return ResultFormatter::lines(result, [](quint64 bytes) { return formatByteCount(bytes); });
}

void ResultCard::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        rebuild();
}

void ResultCard::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background(palette()));
    painter.drawRoundedRect(rect(), 8, 8);
    QFrame::paintEvent(event);
}

QColor ResultCard::background(const QPalette &palette)
{
    // The window with a 5 % tint of the text colour, as one opaque colour.
    const QColor window = palette.color(QPalette::Window).toRgb();
    const QColor text = palette.color(QPalette::WindowText).toRgb();
    constexpr float tint = 0.05f;
    return QColor::fromRgbF(window.redF() + (text.redF() - window.redF()) * tint,
                            window.greenF() + (text.greenF() - window.greenF()) * tint,
                            window.blueF() + (text.blueF() - window.blueF()) * tint);
}

void ResultCard::rebuild()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QPalette base = palette();
    const bool dark = ThemeColors::isDark(base);
    // The accents and the secondary grey are lighter than text: kept readable on the card.
    const QColor card = background(base);
    const auto readable = [&card](const QColor &colour) { return ThemeColors::readableAgainst(colour, card); };
    using Role = ResultLine::Role;
    for (const ResultLine &line : lines(m_result)) {
        auto *label = new QLabel(line.text, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setWordWrap(true);
        QFont font = label->font();
        QColor colour = base.color(QPalette::WindowText);
        switch (line.role) {
        case Role::Heading:
            font.setPointSizeF(font.pointSizeF() * 0.9);
            font.setWeight(QFont::Medium);
            break;
        case Role::Error:
            colour = readable(ThemeColors::warm(dark));
            break;
        case Role::Warning:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::warm(dark));
            break;
        case Role::Section:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            font.setWeight(QFont::DemiBold);
            break;
        case Role::WriteFigure:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::warm(dark));
            break;
        case Role::ReadFigure:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::cool(dark));
            break;
        case Role::Detail:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(base.color(QPalette::PlaceholderText));
            break;
        }
        label->setFont(font);
        QPalette labelPalette = label->palette();
        labelPalette.setColor(QPalette::WindowText, colour);
        label->setPalette(labelPalette);
        m_layout->addWidget(label);
        label->show();
    }
    // Streams of each media format, from the rates a streaming test measured.
    if (m_result.success && !m_result.paced && (PlaysEstimate::writeRate(m_result) || PlaysEstimate::readRate(m_result))) {
        auto *plays = new QPushButton(tr("Plays…"), this);
        plays->setObjectName(QStringLiteral("playsButton"));
        plays->setToolTip(tr("How many streams of each media format these rates carry"));
        connect(plays, &QPushButton::clicked, this, [this] {
            auto *view = new PlaysView(m_result, window());
            view->setAttribute(Qt::WA_DeleteOnClose);
            connect(view, &PlaysView::pacedTestRequested, this, &ResultCard::pacedTestRequested);
            view->show();
        });
        m_layout->addWidget(plays, 0, Qt::AlignLeft);
        plays->show();
    }
}

} // namespace trevlamark
