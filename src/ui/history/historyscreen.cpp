#include "ui/history/historyscreen.h"

#include "history/runexport.h"
#include "history/runstore.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/bytecountformat.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/themecolors.h"
#include "ui/common/timelimitedtask.h"
#include "ui/history/runcomparisonview.h"
#include "ui/history/rundetailview.h"
#include "ui/history/runstoretask.h"
#include "ui/history/runtablemodel.h"
#include "ui/history/trendchart.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace trevlamark {

namespace {
// "1 run", "3 runs"
QString runCount(qsizetype count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" run") : QStringLiteral(" runs"));
}

QScrollArea *scrolling(QWidget *content, QWidget *parent)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    return scroll;
}

struct Deletion
{
    QList<qint64> deleted;
    QString failure;
};

// What the export wrote, or why it did not.
struct Written
{
    qsizetype runs = 0;
    QString failure;
};
} // namespace

HistoryScreen::HistoryScreen(const DatabaseLocation &location, QWidget *parent)
    : QWidget(parent)
    , m_location(location)
    , m_calls(new TimeLimitedTask(std::chrono::seconds(answerLimitSeconds), [this] { giveUp(); }, this))
    , m_chartSave(new TimeLimitedTask(std::chrono::seconds(answerLimitSeconds), [this] {
        showMessage(QStringLiteral("The chart's folder did not answer within %1 seconds.").arg(answerLimitSeconds), true);
    }, this))
    , m_model(new RunTableModel(this))
    , m_proxy(new QSortFilterProxyModel(this))
{
    setObjectName(QStringLiteral("historyScreen"));
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(RunTableModel::SortRole);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    buildLayout();
    reload();
}

template<typename Value>
void HistoryScreen::ask(const QString &waitingText, std::function<std::optional<Value>(RunStore &)> call,
                        std::function<void(const std::optional<Value> &, const QString &errorText)> done)
{
    showMessage(waitingText, false);
    RunStoreTask::run<Value>(*m_calls, m_location, std::move(call),
        [this, done = std::move(done)](const RunStoreTask::Outcome<Value> &outcome) {
            if (!outcome.opened)
                showMessage(QStringLiteral("The run history cannot be opened: ") + outcome.errorText, true);
            else
                done(outcome.value, outcome.errorText);
            if (!outcome.notice.isEmpty())
                showMessage(outcome.notice, true);
            refreshActions();
            emit settled();
        });
    refreshActions();
}

bool HistoryScreen::isBusy() const
{
    return m_calls->isWaiting();
}

void HistoryScreen::giveUp()
{
    showMessage(QStringLiteral("%1 did not answer within %2 seconds.")
                    .arg(m_location.displayText())
                    .arg(answerLimitSeconds),
                true);
    refreshActions();
    emit settled();
}

void HistoryScreen::buildLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);

    auto *header = new QHBoxLayout;
    auto *close = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Main"), this);
    connect(close, &QPushButton::clicked, this, &HistoryScreen::closeRequested);
    header->addWidget(close);
    header->addWidget(new SectionTitle(QStringLiteral("History"), this));
    header->addStretch();
    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(QStringLiteral("Filter runs"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMinimumWidth(200);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_proxy->setFilterFixedString(text);
        refreshActions();
    });
    header->addWidget(m_filter);
    layout->addLayout(header);

    m_pages = new QStackedWidget(this);
    m_table = new QTableView(m_pages);
    m_table->setModel(m_proxy);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->verticalHeader()->hide();
    // Fixed row heights and column widths: sizing to contents would read every one of thousands of rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    const int widths[RunTableModel::ColumnCount] = {120, 130, 90, 90, 80, 65, 75, 90, 70, 50};
    for (int column = 0; column < RunTableModel::ColumnCount; ++column)
        m_table->horizontalHeader()->resizeSection(column, widths[column]);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(RunTableModel::DateColumn, Qt::DescendingOrder);
    connect(m_table, &QTableView::doubleClicked, this, &HistoryScreen::openSelected);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryScreen::refreshActions);
    m_pages->addWidget(m_table);

    m_detail = new RunDetailView;
    connect(m_detail, &RunDetailView::mediaTestRequested, this, &HistoryScreen::mediaTestRequested);
    m_pages->addWidget(scrolling(m_detail, m_pages));
    m_comparison = new RunComparisonView;
    m_pages->addWidget(scrolling(m_comparison, m_pages));
    auto *trendPage = new QWidget(m_pages);
    auto *trendLayout = new QVBoxLayout(trendPage);
    trendLayout->setContentsMargins(0, 0, 0, 0);
    m_trendTitle = new SectionTitle(QString(), trendPage);
    m_trendTitle->setElidedInTheMiddle(true);
    m_trend = new TrendChart(trendPage);
    m_trendNote = new QLabel(trendPage);
    m_trendNote->setWordWrap(true);
    m_trendNote->setForegroundRole(QPalette::PlaceholderText);
    trendLayout->addWidget(m_trendTitle);
    trendLayout->addWidget(m_trendNote);
    trendLayout->addWidget(m_trend, 1);
    m_pages->addWidget(trendPage);
    layout->addWidget(m_pages, 1);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("historyMessage"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_message);

    auto *actions = new QHBoxLayout;
    const auto button = [this, actions](const QString &text, void (HistoryScreen::*slot)()) {
        auto *result = new QPushButton(text, this);
        connect(result, &QPushButton::clicked, this, slot);
        actions->addWidget(result);
        return result;
    };
    m_backButton = button(QStringLiteral("All Runs"), &HistoryScreen::showList);
    m_openButton = button(QStringLiteral("Open"), &HistoryScreen::openSelected);
    m_compareButton = button(QStringLiteral("Compare"), &HistoryScreen::compareSelected);
    m_trendButton = button(QStringLiteral("Trend"), &HistoryScreen::trendOfSelected);
    actions->addStretch();
    m_copyButton = button(QStringLiteral("Copy Summary"), &HistoryScreen::copySummary);
    m_saveChartButton = button(QStringLiteral("Save Chart..."), &HistoryScreen::saveChart);
    m_exportButton = button(QStringLiteral("Export..."), &HistoryScreen::exportSelected);
    m_deleteButton = button(QStringLiteral("Delete"), &HistoryScreen::deleteSelected);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    layout->addLayout(actions);
}

void HistoryScreen::reload()
{
    ask<QList<RunRecord>>(
        QStringLiteral("Loading the runs from %1…").arg(m_location.displayText()),
        [](RunStore &store) { return store.list(); },
        [this](const std::optional<QList<RunRecord>> &runs, const QString &errorText) {
            m_model->setRuns(runs.value_or(QList<RunRecord>()));
            if (!runs)
                showMessage(QStringLiteral("The runs cannot be listed: ") + errorText, true);
            else
                showMessage(runs->isEmpty() ? QStringLiteral("No runs kept yet. Every test you run is listed here.")
                                            : runCount(runs->size()) + QStringLiteral(" at ")
                                                  + m_location.displayText(),
                            false);
        });
}

void HistoryScreen::setFilterText(const QString &text)
{
    m_filter->setText(text);
}

QList<qint64> HistoryScreen::selectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        ids.append(m_model->run(m_proxy->mapToSource(index).row()).id);
    return ids;
}

HistoryScreen::Page HistoryScreen::page() const
{
    return Page(m_pages->currentIndex());
}

QString HistoryScreen::message() const
{
    return m_message->text();
}

void HistoryScreen::showMessage(const QString &text, bool isError)
{
    // Errors in red, other news in the quiet text colour; both follow the appearance.
    m_message->setForegroundRole(isError ? QPalette::BrightText : QPalette::PlaceholderText);
    refreshMessageColour();
    m_message->setText(text);
}

void HistoryScreen::refreshMessageColour()
{
    QPalette colours = m_message->palette();
    colours.setColor(QPalette::BrightText, ThemeColors::red(ThemeColors::isDark(palette())));
    m_message->setPalette(colours);
}

void HistoryScreen::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_message)
        refreshMessageColour();
}

void HistoryScreen::refreshActions()
{
    const bool onList = page() == Page::List;
    const qsizetype selected = m_table->selectionModel()->selectedRows().size();
    // Hidden before shown: for a moment both sets would be on the row, and
    // the window would grow to hold them and stay that wide.
    QList<QPushButton *> shown;
    const auto showIf = [&shown](QPushButton *button, bool visible) {
        if (visible)
            shown.append(button);
        else
            button->hide();
    };
    showIf(m_backButton, !onList);
    for (QPushButton *listAction : {m_openButton, m_compareButton, m_trendButton, m_deleteButton})
        showIf(listAction, onList);
    showIf(m_saveChartButton, page() == Page::Run || page() == Page::Trend);
    for (QPushButton *button : shown)
        button->show();
    // One call on the history at a time: a second would drop the first's answer.
    const bool free = !isBusy();
    m_openButton->setEnabled(free && selected == 1);
    m_compareButton->setEnabled(free && selected == 2);
    m_trendButton->setEnabled(free && selected >= 1);
    m_deleteButton->setEnabled(free && selected >= 1);
    m_exportButton->setEnabled(free && (!onList || selected >= 1));
    m_copyButton->setEnabled(!onList || selected >= 1);
}

void HistoryScreen::showList()
{
    m_pages->setCurrentIndex(int(Page::List));
    refreshActions();
}

void HistoryScreen::openRun(qint64 id)
{
    ask<RunRecord>(
        QStringLiteral("Opening run %1…").arg(id), [id](RunStore &store) { return store.find(id); },
        [this, id](const std::optional<RunRecord> &run, const QString &errorText) {
            if (!run) {
                showMessage(errorText.isEmpty() ? QStringLiteral("Run %1 is no longer kept.").arg(id) : errorText,
                            true);
                return;
            }
            showMessage(QString(), false);
            m_detail->setRun(*run);
            m_pages->setCurrentIndex(int(Page::Run));
        });
}

void HistoryScreen::compareRuns(qint64 first, qint64 second)
{
    using Pair = std::pair<RunRecord, RunRecord>;
    ask<Pair>(
        QStringLiteral("Opening runs %1 and %2…").arg(first).arg(second),
        [first, second](RunStore &store) -> std::optional<Pair> {
            std::optional<RunRecord> a = store.find(first);
            std::optional<RunRecord> b = a ? store.find(second) : std::nullopt;
            if (!a || !b)
                return std::nullopt;
            return Pair{*a, *b};
        },
        [this](const std::optional<Pair> &runs, const QString &errorText) {
            if (!runs) {
                showMessage(errorText.isEmpty() ? QStringLiteral("One of the runs is no longer kept.") : errorText,
                            true);
                return;
            }
            showMessage(QString(), false);
            // The older run is the base the differences are taken against.
            if (runs->second.finishedAt < runs->first.finishedAt)
                m_comparison->setRuns(runs->second, runs->first);
            else
                m_comparison->setRuns(runs->first, runs->second);
            m_pages->setCurrentIndex(int(Page::Comparison));
        });
}

void HistoryScreen::showTrend(const RunRecord &like)
{
    RunQuery query;
    query.locationPath = like.locationPath;
    query.sortKey = RunQuery::SortKey::FinishedAt;
    query.descending = false;
    const auto sameSettings = [like](const RunRecord &run) {
        return run.chunkSizeBytes == like.chunkSizeBytes && run.queueDepth == like.queueDepth
            && run.bytesPerCycle == like.bytesPerCycle && run.disableCache == like.disableCache;
    };
    ask<QList<RunRecord>>(
        QStringLiteral("Loading the runs at %1…").arg(like.locationPath),
        [query](RunStore &store) { return store.list(query); },
        [this, like, sameSettings](const std::optional<QList<RunRecord>> &runs, const QString &errorText) {
            if (!runs) {
                showMessage(errorText, true);
                return;
            }
            showMessage(QString(), false);
            QList<TrendChart::Point> points;
            qsizetype otherSettings = 0;
            for (const RunRecord &run : *runs) {
                // A failed run measured nothing worth drawing.
                if (run.outcome == RunOutcome::Failed)
                    continue;
                if (sameSettings(run))
                    points.append({run.finishedAt, run.writeMegabytesPerSecond, run.readMegabytesPerSecond});
                else
                    ++otherSettings;
            }
            m_trendTitle->setText(
                QStringLiteral("Trend of %1 (%2)").arg(like.locationPath, runCount(points.size())));
            QString note = QStringLiteral("Runs with %1 chunks, %2 streams, %3 per cycle, cache bypass %4.")
                               .arg(formatByteCount(quint64(like.chunkSizeBytes)))
                               .arg(like.queueDepth)
                               .arg(formatByteCount(quint64(like.bytesPerCycle)),
                                    like.disableCache ? QStringLiteral("on") : QStringLiteral("off"));
            if (otherSettings > 0)
                note += QStringLiteral(" %1 with other settings %2 left out.")
                            .arg(runCount(otherSettings), otherSettings == 1 ? QStringLiteral("is")
                                                                             : QStringLiteral("are"));
            m_trendNote->setText(note);
            m_trend->setPoints(points);
            m_pages->setCurrentIndex(int(Page::Trend));
        });
}

QString HistoryScreen::trendNote() const
{
    return m_trendNote->text();
}

void HistoryScreen::deleteRuns(const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return;
    const QString question = QStringLiteral("Delete %1 from the history? This cannot be undone.")
                                 .arg(runCount(ids.size()));
    const bool confirmed = m_confirmation ? m_confirmation(question)
                                          : QMessageBox::question(this, QStringLiteral("Delete Runs"), question)
                                                == QMessageBox::Yes;
    if (!confirmed)
        return;
    ask<Deletion>(
        QStringLiteral("Deleting %1…").arg(runCount(ids.size())),
        [ids](RunStore &store) {
            Deletion deletion;
            for (const qint64 id : ids) {
                if (store.remove(id)) {
                    deletion.deleted.append(id);
                } else if (!store.errorText().isEmpty()) {
                    deletion.failure = QStringLiteral("Run %1 could not be deleted: %2").arg(id).arg(store.errorText());
                    break;
                }
            }
            return std::optional(deletion);
        },
        [this](const std::optional<Deletion> &deletion, const QString &) {
            for (const qint64 id : deletion->deleted)
                m_model->removeRun(id);
            if (deletion->failure.isEmpty())
                showMessage(runCount(deletion->deleted.size()) + QStringLiteral(" deleted."), false);
            else
                showMessage(deletion->failure, true);
        });
}

void HistoryScreen::exportRuns(const QList<qint64> &ids, const QString &format, const QString &path)
{
    ask<Written>(
        QStringLiteral("Exporting %1…").arg(runCount(ids.size())),
        [ids, format, path](RunStore &store) {
            QList<RunRecord> runs;
            for (const qint64 id : ids) {
                const std::optional<RunRecord> run = store.find(id);
                if (!run)
                    return std::optional(Written{0, QStringLiteral("Run %1 could not be read: %2")
                                                        .arg(id)
                                                        .arg(store.errorText().isEmpty() ? QStringLiteral("not kept")
                                                                                         : store.errorText())});
                runs.append(*run);
            }
            const QByteArray content = format == QLatin1String("json") ? RunExport::json(runs) : RunExport::csv(runs);
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
                return std::optional(Written{0, QStringLiteral("The export could not be written to %1: %2")
                                                    .arg(path, file.errorString())});
            return std::optional(Written{runs.size(), QString()});
        },
        [this, path](const std::optional<Written> &written, const QString &) {
            if (written->failure.isEmpty())
                showMessage(runCount(written->runs) + QStringLiteral(" exported to ") + path, false);
            else
                showMessage(written->failure, true);
        });
}

QString HistoryScreen::summaryText() const
{
    switch (page()) {
    case Page::Run:
        return RunDetailView::summaryText(m_detail->run());
    case Page::Comparison:
        return m_comparison->summaryText();
    case Page::Trend: {
        QStringList lines{m_trendTitle->text(), m_trendNote->text()};
        for (const TrendChart::Point &point : m_trend->points()) {
            lines.append(QStringLiteral("%1  write %2 MB/s  read %3 MB/s")
                             .arg(point.finishedAt.toLocalTime().toString(Qt::ISODate))
                             .arg(point.writeMegabytesPerSecond, 0, 'f', 2)
                             .arg(point.readMegabytesPerSecond, 0, 'f', 2));
        }
        return lines.join(QLatin1Char('\n'));
    }
    case Page::List:
        break;
    }
    QStringList lines;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows()) {
        const RunRecord &run = m_model->run(m_proxy->mapToSource(index).row());
        QStringList cells;
        for (int column = 0; column < RunTableModel::ColumnCount; ++column)
            cells.append(m_model->headerData(column, Qt::Horizontal).toString() + QStringLiteral(": ")
                         + RunTableModel::cellText(run, column));
        lines.append(cells.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

void HistoryScreen::openSelected()
{
    const QList<qint64> ids = selectedIds();
    if (ids.size() == 1)
        openRun(ids.constFirst());
}

void HistoryScreen::compareSelected()
{
    const QList<qint64> ids = selectedIds();
    if (ids.size() == 2)
        compareRuns(ids.at(0), ids.at(1));
}

void HistoryScreen::trendOfSelected()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        showTrend(m_model->run(m_proxy->mapToSource(rows.constFirst()).row()));
}

void HistoryScreen::deleteSelected()
{
    deleteRuns(selectedIds());
}

void HistoryScreen::exportSelected()
{
    QList<qint64> ids;
    switch (page()) {
    case Page::List: ids = selectedIds(); break;
    case Page::Run: ids = {m_detail->run().id}; break;
    case Page::Comparison: ids = m_comparison->runIds(); break;
    case Page::Trend: ids = selectedIds(); break;
    }
    const QString csvFilter = QStringLiteral("CSV (*.csv)");
    askSavePath(QStringLiteral("Export Runs"), QStringLiteral("trevlamark-runs.csv"), csvFilter + QStringLiteral(";;JSON (*.json)"),
                [this, ids](const QString &path) {
                    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
                    exportRuns(ids, json ? QStringLiteral("json") : QStringLiteral("csv"), path);
                });
}

void HistoryScreen::copySummary()
{
    QApplication::clipboard()->setText(summaryText());
    showMessage(QStringLiteral("Summary copied to the clipboard."), false);
}

void HistoryScreen::saveChart()
{
    const QPointer<QWidget> chart = page() == Page::Trend ? static_cast<QWidget *>(m_trend) : m_detail->shownChart();
    askSavePath(QStringLiteral("Save Chart"), QStringLiteral("trevlamark-chart.png"), QStringLiteral("PNG image (*.png)"),
                [this, chart](const QString &path) {
                    if (!chart)
                        return;
                    // Drawn here, written off the window's thread: the folder may be on a share that hangs.
                    const QImage image = chart->grab().toImage();
                    showMessage(QStringLiteral("Saving the chart to ") + path + QStringLiteral("…"), false);
                    m_chartSave->run<bool>([image, path] { return image.save(path, "PNG"); }, [this, path](bool saved) {
                        if (saved)
                            showMessage(QStringLiteral("Chart saved to ") + path, false);
                        else
                            showMessage(QStringLiteral("The chart could not be saved to ") + path, true);
                    });
                });
}

void HistoryScreen::askSavePath(const QString &caption, const QString &suggestedName, const QString &filter,
                                std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(this, caption, QDir::home().filePath(suggestedName), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, std::move(chosen));
    dialog->open();
}

} // namespace trevlamark
