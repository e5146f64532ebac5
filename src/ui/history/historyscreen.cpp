#include "ui/history/historyscreen.h"

#include "history/runexport.h"
#include "history/runstore.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/themecolors.h"
#include "ui/history/runcomparisonview.h"
#include "ui/history/rundetailview.h"
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
#include <QLineEdit>
#include <QMessageBox>
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
} // namespace

HistoryScreen::HistoryScreen(RunStore *store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
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
    m_table->verticalHeader()->hide();
    // Fixed row heights and column widths: sizing to contents would read every one of thousands of rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    const int widths[RunTableModel::ColumnCount] = {120, 160, 65, 75, 90, 70, 50, 80, 80, 80};
    for (int column = 0; column < RunTableModel::ColumnCount; ++column)
        m_table->horizontalHeader()->resizeSection(column, widths[column]);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(RunTableModel::DateColumn, Qt::DescendingOrder);
    connect(m_table, &QTableView::doubleClicked, this, &HistoryScreen::openSelected);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryScreen::refreshActions);
    m_pages->addWidget(m_table);

    m_detail = new RunDetailView;
    m_pages->addWidget(scrolling(m_detail, m_pages));
    m_comparison = new RunComparisonView;
    m_pages->addWidget(scrolling(m_comparison, m_pages));
    auto *trendPage = new QWidget(m_pages);
    auto *trendLayout = new QVBoxLayout(trendPage);
    trendLayout->setContentsMargins(0, 0, 0, 0);
    m_trendTitle = new SectionTitle(QString(), trendPage);
    m_trendTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_trend = new TrendChart(trendPage);
    trendLayout->addWidget(m_trendTitle);
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
    if (!m_store->isOpen() && !m_store->open()) {
        m_model->setRuns({});
        showMessage(QStringLiteral("The run history cannot be opened: ") + m_store->errorText(), true);
        return;
    }
    const std::optional<QList<RunRecord>> runs = m_store->list();
    m_model->setRuns(runs.value_or(QList<RunRecord>()));
    if (!runs)
        showMessage(QStringLiteral("The runs cannot be listed: ") + m_store->errorText(), true);
    else if (!m_store->notice().isEmpty())
        showMessage(m_store->notice(), true);
    else
        showMessage(runs->isEmpty() ? QStringLiteral("No runs kept yet. Every test you run is listed here.")
                                    : runCount(runs->size()) + QStringLiteral(" at ")
                                          + m_store->location().displayText(),
                    false);
    refreshActions();
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
    m_backButton->setVisible(!onList);
    for (QPushButton *listAction : {m_openButton, m_compareButton, m_trendButton, m_deleteButton})
        listAction->setVisible(onList);
    m_saveChartButton->setVisible(page() == Page::Run || page() == Page::Trend);
    m_openButton->setEnabled(selected == 1);
    m_compareButton->setEnabled(selected == 2);
    m_trendButton->setEnabled(selected >= 1);
    m_deleteButton->setEnabled(selected >= 1);
    m_exportButton->setEnabled(!onList || selected >= 1);
    m_copyButton->setEnabled(!onList || selected >= 1);
}

void HistoryScreen::showList()
{
    m_pages->setCurrentIndex(int(Page::List));
    refreshActions();
}

bool HistoryScreen::openRun(qint64 id)
{
    const std::optional<RunRecord> run = m_store->find(id);
    if (!run) {
        showMessage(m_store->errorText().isEmpty() ? QStringLiteral("Run %1 is no longer kept.").arg(id)
                                                   : m_store->errorText(),
                    true);
        return false;
    }
    m_detail->setRun(*run);
    m_pages->setCurrentIndex(int(Page::Run));
    refreshActions();
    return true;
}

bool HistoryScreen::compareRuns(qint64 first, qint64 second)
{
    const std::optional<RunRecord> a = m_store->find(first);
    const std::optional<RunRecord> b = m_store->find(second);
    if (!a || !b) {
        showMessage(m_store->errorText().isEmpty() ? QStringLiteral("One of the runs is no longer kept.")
                                                   : m_store->errorText(),
                    true);
        return false;
    }
    // The older run is the base the differences are taken against.
    if (b->finishedAt < a->finishedAt)
        m_comparison->setRuns(*b, *a);
    else
        m_comparison->setRuns(*a, *b);
    m_pages->setCurrentIndex(int(Page::Comparison));
    refreshActions();
    return true;
}

void HistoryScreen::showTrend(const QString &locationPath)
{
    RunQuery query;
    query.locationPath = locationPath;
    query.sortKey = RunQuery::SortKey::FinishedAt;
    query.descending = false;
    const std::optional<QList<RunRecord>> runs = m_store->list(query);
    if (!runs) {
        showMessage(m_store->errorText(), true);
        return;
    }
    QList<TrendChart::Point> points;
    // A failed run measured nothing worth drawing.
    for (const RunRecord &run : *runs) {
        if (run.outcome != RunOutcome::Failed)
            points.append({run.finishedAt, run.writeMegabytesPerSecond, run.readMegabytesPerSecond});
    }
    m_trendTitle->setText(QStringLiteral("Trend of %1 (%2)").arg(locationPath, runCount(points.size())));
    m_trend->setPoints(points);
    m_pages->setCurrentIndex(int(Page::Trend));
    refreshActions();
}

int HistoryScreen::deleteRuns(const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return 0;
    const QString question = QStringLiteral("Delete %1 from the history? This cannot be undone.")
                                 .arg(runCount(ids.size()));
    const bool confirmed = m_confirmation ? m_confirmation(question)
                                          : QMessageBox::question(this, QStringLiteral("Delete Runs"), question)
                                                == QMessageBox::Yes;
    if (!confirmed)
        return 0;
    int deleted = 0;
    for (const qint64 id : ids) {
        if (m_store->remove(id)) {
            m_model->removeRun(id);
            ++deleted;
        } else if (!m_store->errorText().isEmpty()) {
            showMessage(QStringLiteral("Run %1 could not be deleted: %2").arg(id).arg(m_store->errorText()), true);
            return deleted;
        }
    }
    showMessage(runCount(deleted) + QStringLiteral(" deleted."), false);
    refreshActions();
    return deleted;
}

bool HistoryScreen::exportRuns(const QList<qint64> &ids, const QString &format, const QString &path)
{
    QList<RunRecord> runs;
    for (const qint64 id : ids) {
        const std::optional<RunRecord> run = m_store->find(id);
        if (!run) {
            showMessage(QStringLiteral("Run %1 could not be read: %2").arg(id).arg(m_store->errorText()), true);
            return false;
        }
        runs.append(*run);
    }
    const QByteArray content = format == QLatin1String("json") ? RunExport::json(runs) : RunExport::csv(runs);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        showMessage(QStringLiteral("The export could not be written to %1: %2").arg(path, file.errorString()), true);
        return false;
    }
    showMessage(runCount(runs.size()) + QStringLiteral(" exported to ") + path, false);
    return true;
}

QString HistoryScreen::summaryText() const
{
    switch (page()) {
    case Page::Run:
        return RunDetailView::summaryText(m_detail->run());
    case Page::Comparison:
        return m_comparison->summaryText();
    case Page::Trend: {
        QStringList lines{m_trendTitle->text()};
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
        showTrend(m_model->run(m_proxy->mapToSource(rows.constFirst()).row()).locationPath);
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
    const QString path = askSavePath(QStringLiteral("Export Runs"), QStringLiteral("trevlamark-runs.csv"),
                                     csvFilter + QStringLiteral(";;JSON (*.json)"));
    if (path.isEmpty())
        return;
    exportRuns(ids, path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ? QStringLiteral("json")
                                                                               : QStringLiteral("csv"),
               path);
}

void HistoryScreen::copySummary()
{
    QApplication::clipboard()->setText(summaryText());
    showMessage(QStringLiteral("Summary copied to the clipboard."), false);
}

void HistoryScreen::saveChart()
{
    QWidget *chart = page() == Page::Trend ? static_cast<QWidget *>(m_trend) : m_detail->graphs();
    const QString path = askSavePath(QStringLiteral("Save Chart"), QStringLiteral("trevlamark-chart.png"),
                                     QStringLiteral("PNG image (*.png)"));
    if (path.isEmpty())
        return;
    if (chart->grab().save(path, "PNG"))
        showMessage(QStringLiteral("Chart saved to ") + path, false);
    else
        showMessage(QStringLiteral("The chart could not be saved to ") + path, true);
}

QString HistoryScreen::askSavePath(const QString &caption, const QString &suggestedName, const QString &filter)
{
    if (m_savePathPicker)
        return m_savePathPicker(caption, suggestedName, filter);
    return QFileDialog::getSaveFileName(this, caption, QDir::home().filePath(suggestedName), filter);
}

} // namespace trevlamark
