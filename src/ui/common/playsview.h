#pragma once
// The "Plays" view of a run: for every media format, how many streams the
// run's average write (capture) and read (playback) rates carry with the
// headroom of the settings. It says plainly that this is an estimate from an
// average, and offers the paced test of the chosen format, which counts the
// late frames an average hides; the screen that shows the view opens it.

#include "engine/performancetestresult.h"
#include "engine/playsestimate.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace trevlamark {

class PlaysView : public QDialog
{
    Q_OBJECT

public:
    explicit PlaysView(const PerformanceTestResult &result, QWidget *parent = nullptr);

    // The command that runs the paced test of the chosen format where the run
    // ran, with the estimated streams; empty while no format is chosen.
    QString pacedTestCommand() const;
    int visibleRows() const;
    QPushButton *pacedTestButton() const { return m_pacedTest; }

    static constexpr const char *objectName = "playsView";

signals:
    // The user asked for the paced test of this format, starting from the
    // estimated streams; the view closes.
    void pacedTestRequested(const QString &format, int streams);

private:
    void applyFilter(const QString &text);
    void updateOffer();
    // The chosen row, if any.
    const PlaysRow *chosenRow() const;
    static int estimatedStreams(const PlaysRow &row);

    QList<PlaysRow> m_rows;
    QString m_location;
    QLineEdit *m_filter;
    QTableWidget *m_table;
    QLabel *m_offer;
    QPushButton *m_pacedTest;
};

} // namespace trevlamark
