#include "ui/common/playsview.h"

#include "engine/mediaformatcatalog.h"
#include "settings/preferencesmanager.h"

#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace trevlamark {

namespace {

QTableWidgetItem *numberItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString streamsText(const std::optional<int> &streams)
{
    return streams ? QString::number(*streams) : QStringLiteral("not measured");
}

} // namespace

PlaysView::PlaysView(const PerformanceTestResult &result, QWidget *parent)
    : QDialog(parent)
    , m_location(result.details.value(QStringLiteral("testPath")))
    , m_filter(new QLineEdit(this))
    , m_table(new QTableWidget(this))
    , m_offer(new QLabel(this))
    , m_pacedTest(new QPushButton(tr("Paced test…"), this))
{
    setObjectName(QLatin1String(objectName));
    setWindowTitle(tr("Plays"));
    const int headroom = PreferencesManager::playsHeadroomPercent();
    m_rows = PlaysEstimate::rows(result, MediaFormatCatalog::available(), headroom);

    auto *layout = new QVBoxLayout(this);
    auto *caveat = new QLabel(PlaysEstimate::caveat(headroom) + tr(" MB/s are of 1,048,576 bytes."), this);
    caveat->setObjectName(QStringLiteral("playsCaveat"));
    caveat->setWordWrap(true);
    layout->addWidget(caveat);

    m_filter->setPlaceholderText(tr("Filter formats, e.g. ProRes UHD 29.97"));
    m_filter->setClearButtonEnabled(true);
    layout->addWidget(m_filter);

    m_table->setColumnCount(4);
    m_table->setHorizontalHeaderLabels(
        {tr("Format"), tr("MB/s per stream"), tr("Capture streams"), tr("Playback streams")});
    m_table->setRowCount(int(m_rows.size()));
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const PlaysRow &plays = m_rows.at(row);
        auto *name = new QTableWidgetItem(plays.format.name);
        name->setToolTip(plays.format.custom ? tr("Your own format") : plays.format.source);
        m_table->setItem(row, 0, name);
        m_table->setItem(row, 1, numberItem(QString::number(plays.format.megabytesPerSecond(), 'f', 2)));
        m_table->setItem(row, 2, numberItem(streamsText(plays.captureStreams)));
        m_table->setItem(row, 3, numberItem(streamsText(plays.playbackStreams)));
    }
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->resizeColumnsToContents();
    layout->addWidget(m_table, 1);

    m_offer->setWordWrap(true);
    m_offer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_offer);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_pacedTest->setObjectName(QStringLiteral("pacedTestButton"));
    buttons->addWidget(m_pacedTest);
    auto *close = new QPushButton(tr("Close"), this);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_filter, &QLineEdit::textChanged, this, &PlaysView::applyFilter);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &PlaysView::updateOffer);
    connect(m_pacedTest, &QPushButton::clicked, this, [this] {
        if (const PlaysRow *row = chosenRow()) {
            emit pacedTestRequested(row->format.name, estimatedStreams(*row));
            accept();
        }
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    updateOffer();
    resize(720, 560);
}

void PlaysView::applyFilter(const QString &text)
{
    // Every word must appear, in any order and letter case.
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString name = m_rows.at(row).format.name;
        const bool match = std::all_of(words.cbegin(), words.cend(),
            [&name](const QString &word) { return name.contains(word, Qt::CaseInsensitive); });
        m_table->setRowHidden(row, !match);
    }
}

int PlaysView::visibleRows() const
{
    int rows = 0;
    for (int row = 0; row < m_table->rowCount(); ++row)
        rows += m_table->isRowHidden(row) ? 0 : 1;
    return rows;
}

const PlaysRow *PlaysView::chosenRow() const
{
    const QList<QTableWidgetItem *> selected = m_table->selectedItems();
    return selected.isEmpty() ? nullptr : &m_rows.at(selected.first()->row());
}

int PlaysView::estimatedStreams(const PlaysRow &row)
{
    // Playback when the run read, as the paced test's own default is.
    return std::max(1, row.playbackStreams ? *row.playbackStreams : row.captureStreams.value_or(1));
}

QString PlaysView::pacedTestCommand() const
{
    const PlaysRow *row = chosenRow();
    if (!row)
        return {};
    return QStringLiteral("trevlamark-cli play \"%1\" --format \"%2\" --streams %3 %4")
        .arg(m_location, row->format.name)
        .arg(estimatedStreams(*row))
        .arg(row->playbackStreams ? QStringLiteral("--playback") : QStringLiteral("--capture"));
}

void PlaysView::updateOffer()
{
    const QString command = pacedTestCommand();
    m_pacedTest->setEnabled(!command.isEmpty());
    // The command line stays readable for a run on another computer or in a script.
    m_offer->setText(command.isEmpty()
            ? tr("Choose a format for its paced test: it plays the streams frame by frame and counts every late frame.")
            : tr("The paced test of this format plays the streams frame by frame and counts every late frame. "
                 "From a terminal:\n%1").arg(command));
}

} // namespace trevlamark
