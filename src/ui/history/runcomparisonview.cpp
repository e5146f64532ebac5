#include "ui/history/runcomparisonview.h"

#include "history/runcomparison.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/themecolors.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

namespace trevlamark {

namespace {
enum Column { LabelColumn, FirstColumn, SecondColumn, DifferenceColumn };
} // namespace

RunComparisonView::RunComparisonView(QWidget *parent)
    : QWidget(parent)
    , m_grid(new QGridLayout(this))
{
    setObjectName(QStringLiteral("runComparison"));
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(16);
    m_grid->setVerticalSpacing(6);
}

void RunComparisonView::setRuns(const RunRecord &first, const RunRecord &second)
{
    while (QLayoutItem *item = m_grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_ids = {first.id, second.id};
    m_verdicts.clear();
    const RunComparison comparison(first, second);
    const auto add = [this](const QString &text, int row, int column, Qt::Alignment alignment) {
        auto *label = new QLabel(text, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(column == FirstColumn || column == SecondColumn);
        m_grid->addWidget(label, row, column, alignment | Qt::AlignTop);
        return label;
    };
    m_grid->addWidget(new SectionTitle(QStringLiteral("Comparison"), this), 0, LabelColumn, 1, 4);
    add(QStringLiteral("Base"), 1, FirstColumn, Qt::AlignLeft)->setForegroundRole(QPalette::PlaceholderText);
    add(QStringLiteral("Compared"), 1, SecondColumn, Qt::AlignLeft)->setForegroundRole(QPalette::PlaceholderText);
    add(QStringLiteral("Difference"), 1, DifferenceColumn, Qt::AlignRight)->setForegroundRole(QPalette::PlaceholderText);
    int row = 2;
    for (const RunComparison::Row &entry : comparison.rows()) {
        add(entry.label, row, LabelColumn, Qt::AlignLeft)->setForegroundRole(QPalette::PlaceholderText);
        add(entry.first, row, FirstColumn, Qt::AlignLeft);
        add(entry.second, row, SecondColumn, Qt::AlignLeft);
        QString differenceText = RunComparison::percentText(entry.percentChange);
        if (entry.better)
            differenceText += QStringLiteral(" · ") + RunComparison::verdictText(entry.better);
        QLabel *difference = add(differenceText, row, DifferenceColumn, Qt::AlignRight);
        difference->setObjectName(entry.label);
        QFont bold = difference->font();
        bold.setWeight(QFont::DemiBold);
        difference->setFont(bold);
        // The word says it too, for whoever does not tell the colours apart.
        if (entry.better)
            m_verdicts.append({difference, *entry.better});
        ++row;
    }
    m_grid->setColumnStretch(FirstColumn, 1);
    m_grid->setColumnStretch(SecondColumn, 1);
    m_grid->setRowStretch(row, 1);
    m_summary = comparison.text();
    colourVerdicts();
}

void RunComparisonView::colourVerdicts()
{
    const bool dark = ThemeColors::isDark(palette());
    for (const auto &[label, better] : std::as_const(m_verdicts)) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText,
                         ThemeColors::readableAgainst(better ? ThemeColors::green(dark) : ThemeColors::red(dark),
                                                      palette().color(QPalette::Window)));
        label->setPalette(colours);
    }
}

void RunComparisonView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colourVerdicts();
}

QString RunComparisonView::differenceText(const QString &label) const
{
    const auto *difference = findChild<QLabel *>(label);
    return difference ? difference->text() : QString();
}

} // namespace trevlamark
