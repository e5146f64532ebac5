#include "ui/testscreen/resultcard.h"

#include "engine/resultformatter.h"
#include "ui/common/bytecountformat.h"
#include "ui/common/themecolors.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
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

QList<ResultCard::Line> ResultCard::lines(const PerformanceTestResult &result)
{
    // The detail lines show the screen's own byte count ("8 MB", "1.5 GB"),
    // shorter than the fixed two decimals of the CLI's result text.
    // A run from many clients has no latencies of ours to show.
    const auto detail = [&result](const QString &label, const PhaseResult &phase) {
        return Line{result.clientResults.isEmpty()
                        ? ResultFormatter::phaseDetailLine(label, phase, formatByteCount(phase.bytes))
                        : label + QStringLiteral(": %1 in %2 s").arg(formatByteCount(phase.bytes)).arg(phase.duration, 0, 'f', 1),
                    LineRole::Detail};
    };
    QList<Line> lines{{ResultFormatter::heading(result), LineRole::Heading}};
    if (const QString settings = ResultFormatter::settingsLine(result); !settings.isEmpty())
        lines.append({settings, LineRole::Detail});
    if (!result.success) {
        lines.append({result.errorMessage.value_or(QStringLiteral("Test failed")), LineRole::Error});
        return lines;
    }
    for (const CycleResult &cycle : result.cycleResults) {
        lines.append({QStringLiteral("Cycle ") + QString::number(cycle.cycleNumber), LineRole::CycleTitle});
        if (cycle.writePhase) {
            lines.append({ResultFormatter::speedLine(QStringLiteral("Write"), cycle.writePhase->throughput),
                          LineRole::WriteSpeed});
        }
        if (cycle.readPhase) {
            lines.append({ResultFormatter::speedLine(QStringLiteral("Read"), cycle.readPhase->throughput),
                          LineRole::ReadSpeed});
        }
        if (cycle.writePhase)
            lines.append(detail(QStringLiteral("Write"), *cycle.writePhase));
        if (cycle.readPhase)
            lines.append(detail(QStringLiteral("Read"), *cycle.readPhase));
        if (!result.clientResults.isEmpty())
            continue;
        for (const auto &[label, phase] : {std::pair{QStringLiteral("Write"), cycle.writePhase},
                 std::pair{QStringLiteral("Read"), cycle.readPhase}}) {
            if (!phase)
                continue;
            lines.append({ResultFormatter::operationsLine(label, *phase), LineRole::Detail});
            // A figure a cache made is called out; a plain share of the link is a detail.
            if (const std::optional<QString> verdict = ResultFormatter::verdictLine(label, *phase))
                lines.append({*verdict, phase->fasterThanLink || phase->directIORefused ? LineRole::Warning
                                                                                         : LineRole::Detail});
        }
    }
    if (const auto write = ResultFormatter::overallSpeedLine(result, Phase::Write))
        lines.append({*write, LineRole::WriteSpeed});
    if (const auto read = ResultFormatter::overallSpeedLine(result, Phase::Read))
        lines.append({*read, LineRole::ReadSpeed});
    // A run from many clients: the figures above are their aggregate.
    for (const ClientResult &client : result.clientResults) {
        if (client.cycleResults.isEmpty())
            continue;
        lines.append({QStringLiteral("Client ") + client.client, LineRole::CycleTitle});
        for (const CycleResult &cycle : client.cycleResults) {
            const QString prefix = QStringLiteral("Cycle %1 ").arg(cycle.cycleNumber);
            if (cycle.writePhase) {
                lines.append({ResultFormatter::speedLine(prefix + QStringLiteral("Write"), cycle.writePhase->throughput),
                              LineRole::WriteSpeed});
            }
            if (cycle.readPhase) {
                lines.append({ResultFormatter::speedLine(prefix + QStringLiteral("Read"), cycle.readPhase->throughput),
                              LineRole::ReadSpeed});
            }
        }
    }
    return lines;
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
    for (const Line &line : lines(m_result)) {
        auto *label = new QLabel(line.text, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setWordWrap(true);
        QFont font = label->font();
        QColor colour = base.color(QPalette::WindowText);
        switch (line.role) {
        case LineRole::Heading:
            font.setPointSizeF(font.pointSizeF() * 0.9);
            font.setWeight(QFont::Medium);
            break;
        case LineRole::Error:
            colour = readable(ThemeColors::warm(dark));
            break;
        case LineRole::Warning:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::warm(dark));
            break;
        case LineRole::CycleTitle:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            font.setWeight(QFont::DemiBold);
            break;
        case LineRole::WriteSpeed:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::warm(dark));
            break;
        case LineRole::ReadSpeed:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = readable(ThemeColors::cool(dark));
            break;
        case LineRole::Detail:
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
}

} // namespace trevlamark
