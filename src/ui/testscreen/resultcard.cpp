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
    const auto detail = [](const QString &label, const PhaseResult &phase) {
        return Line{ResultFormatter::phaseDetailLine(label, phase, formatByteCount(phase.bytes)), LineRole::Detail};
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
    }
    if (const auto write = ResultFormatter::overallSpeedLine(result, Phase::Write))
        lines.append({*write, LineRole::WriteSpeed});
    if (const auto read = ResultFormatter::overallSpeedLine(result, Phase::Read))
        lines.append({*read, LineRole::ReadSpeed});
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
    QColor tint = palette().color(QPalette::WindowText);
    tint.setAlphaF(0.05f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(rect(), 8, 8);
    QFrame::paintEvent(event);
}

void ResultCard::rebuild()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QPalette base = palette();
    const bool dark = ThemeColors::isDark(base);
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
            colour = ThemeColors::warm(dark);
            break;
        case LineRole::CycleTitle:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            font.setWeight(QFont::DemiBold);
            break;
        case LineRole::WriteSpeed:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = ThemeColors::warm(dark);
            break;
        case LineRole::ReadSpeed:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = ThemeColors::cool(dark);
            break;
        case LineRole::Detail:
            font.setPointSizeF(font.pointSizeF() * 0.85);
            colour = base.color(QPalette::PlaceholderText);
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
