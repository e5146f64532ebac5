#include "ui/common/findingslabel.h"

#include "ui/common/themecolors.h"

#include <QEvent>

namespace trevlamark {

FindingsLabel::FindingsLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setVisible(false);
}

QList<FindingsLabel::Line> FindingsLabel::mountSettingsLines(const std::optional<MountSettings> &settings)
{
    QList<Line> lines;
    if (!settings)
        return lines;
    lines.append({QStringLiteral("Mount: ") + settings->summary(), Severity::fact});
    for (const MountSettings::Hint &hint : settings->hints)
        lines.append({hint.text, Severity::hint});
    return lines;
}

void FindingsLabel::setLines(const QList<Line> &lines)
{
    m_lines = lines;
    render();
}

void FindingsLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        render();
}

void FindingsLabel::render()
{
    const bool dark = ThemeColors::isDark(palette());
    const QColor background = palette().color(QPalette::Window);
    QStringList html;
    for (const Line &line : m_lines) {
        const QString text = line.text.toHtmlEscaped();
        switch (line.severity) {
        case Severity::fact:
            html << text;
            break;
        case Severity::hint:
            html << QStringLiteral("<span style=\"color:%1\">%2</span>").arg(ThemeColors::readableAgainst(ThemeColors::warm(dark), background).name(), text);
            break;
        case Severity::refusal:
            html << QStringLiteral("<b style=\"color:%1\">%2</b>").arg(ThemeColors::readableAgainst(ThemeColors::red(dark), background).name(), text);
            break;
        }
    }
    setText(html.join(QStringLiteral("<br>")));
    setVisible(!m_lines.isEmpty());
}

} // namespace trevlamark
