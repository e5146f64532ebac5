#pragma once
// The History screen: the kept runs in a sortable, filterable table, one run
// opened with its results and chart, two runs side by side, the speed trend of
// a location, and deleting, exporting and copying runs.

#include "history/databaselocation.h"
#include "history/runrecord.h"
#include "ui/common/testparameters.h"

#include <QList>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStackedWidget;
class QTableView;

namespace trevlamark {

class RunComparisonView;
class RunDetailView;
class RunStore;
class RunTableModel;
class SectionTitle;
class TimeLimitedTask;
class TrendChart;

class HistoryScreen : public QWidget
{
    Q_OBJECT

public:
    enum class Page { List, Run, Comparison, Trend };
    // Asks a yes/no question before something that cannot be undone.
    using Confirmation = std::function<bool(const QString &question)>;

    // Every call on the history runs off the window's thread; the screen says
    // what it waits for, and gives up after answerLimitSeconds.
    explicit HistoryScreen(const DatabaseLocation &location, QWidget *parent = nullptr);

    void setConfirmation(Confirmation confirmation) { m_confirmation = std::move(confirmation); }

    // Lists the store's runs again, in one go.
    void reload();
    void setFilterText(const QString &text);
    // The ids of the selected rows, in the table's order.
    QList<qint64> selectedIds() const;

    // These answer later, through the page shown and message(); settled()
    // follows each one, whether it worked or not.
    void openRun(qint64 id);
    void compareRuns(qint64 first, qint64 second);
    // The speed over time of like's location, drawn only from runs with
    // like's settings, so that a change of queue depth or size never passes
    // for a change of the storage.
    void showTrend(const RunRecord &like);
    // Deletes after the confirmation says yes.
    void deleteRuns(const QList<qint64> &ids);
    // Writes the runs as "csv" or "json".
    void exportRuns(const QList<qint64> &ids, const QString &format, const QString &path);
    // What the copy action puts on the clipboard for the page shown.
    QString summaryText() const;
    void showList();

    Page page() const;
    QString message() const;
    // True while a call on the history has not answered yet.
    bool isBusy() const;
    RunTableModel *model() const { return m_model; }
    QSortFilterProxyModel *proxy() const { return m_proxy; }
    QTableView *table() const { return m_table; }
    RunDetailView *detailView() const { return m_detail; }
    RunComparisonView *comparisonView() const { return m_comparison; }
    TrendChart *trendChart() const { return m_trend; }
    // What the trend is drawn from, and what it leaves out.
    QString trendNote() const;

    static constexpr int answerLimitSeconds = 15;

signals:
    void closeRequested();
    void settled();
    // From a run's Plays view: the media test of its location, the format chosen.
    void mediaTestRequested(const trevlamark::TestParameters &parameters, const QString &format, int streams);

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildLayout();
    void refreshActions();
    void showMessage(const QString &text, bool isError);
    void refreshMessageColour();
    void openSelected();
    void compareSelected();
    void trendOfSelected();
    void deleteSelected();
    void exportSelected();
    void copySummary();
    void saveChart();
    // Asks where to save a file in a dialog that leaves the window running; chosen gets the path.
    void askSavePath(const QString &caption, const QString &suggestedName, const QString &filter,
                     std::function<void(const QString &path)> chosen);
    // Runs call on the history off the window's thread with waitingText shown;
    // done gets the answer unless a newer call or the time limit came first.
    template<typename Value>
    void ask(const QString &waitingText, std::function<std::optional<Value>(RunStore &)> call,
             std::function<void(const std::optional<Value> &, const QString &errorText)> done);
    void giveUp();

    DatabaseLocation m_location;
    TimeLimitedTask *m_calls;
    TimeLimitedTask *m_chartSave;
    Confirmation m_confirmation;
    RunTableModel *m_model;
    QSortFilterProxyModel *m_proxy;
    QLineEdit *m_filter = nullptr;
    QStackedWidget *m_pages = nullptr;
    QTableView *m_table = nullptr;
    RunDetailView *m_detail = nullptr;
    RunComparisonView *m_comparison = nullptr;
    SectionTitle *m_trendTitle = nullptr;
    QLabel *m_trendNote = nullptr;
    TrendChart *m_trend = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_compareButton = nullptr;
    QPushButton *m_trendButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_saveChartButton = nullptr;
};

} // namespace trevlamark
