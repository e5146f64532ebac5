#pragma once
// One kept run opened: what ran where, its results card and its chart drawn
// again from the stored samples and timeline markers.

#include "history/runrecord.h"
#include "ui/common/testparameters.h"

#include <QWidget>

class QLabel;

namespace trevlamark {

class FindingsLabel;
class ResultCard;
class SectionTitle;
class StreamsCurveChart;
class TestGraphPanel;
class TimeLimitedTask;

class RunDetailView : public QWidget
{
    Q_OBJECT

public:
    explicit RunDetailView(QWidget *parent = nullptr);

    void setRun(const RunRecord &run);
    const RunRecord &run() const { return m_run; }
    // The throughput chart, drawn again from the stored samples.
    TestGraphPanel *graphs() const { return m_graphs; }
    // What "Save Chart as PNG" saves: the search's curve for a kept search, else the chart.
    QWidget *shownChart() const;
    // A kept search for the most streams: its headline and curve (hidden otherwise).
    QLabel *searchHeadline() const { return m_searchHeadline; }
    StreamsCurveChart *searchCurve() const { return m_searchCurve; }
    // "Run 12 · 07/12/2026 04:22 · /mnt/lab (SMB on nas) · host build-7" then the result text.
    static QString summaryText(const RunRecord &run);
    // The line that names a run in headings and summaries.
    static QString runTitle(const RunRecord &run);
    // The paced test of a format asked for from the run's Plays view: the
    // location is looked at off the window's thread, for at most
    // locationLimitSeconds, then either opened or why not said.
    void openPacedTest(const QString &format, int streams);
    // "Looking at …", or why the paced test cannot run there; empty otherwise.
    QString locationMessage() const;

    static constexpr int locationLimitSeconds = 10;

signals:
    // The run's location is there: its test screen with this format's media test.
    void mediaTestRequested(const trevlamark::TestParameters &parameters, const QString &format, int streams);

private:
    void showLocationMessage(const QString &text);

    RunRecord m_run;
    SectionTitle *m_title;
    QLabel *m_context;
    FindingsLabel *m_mountSettings;
    TestGraphPanel *m_graphs;
    QLabel *m_searchHeadline;
    StreamsCurveChart *m_searchCurve;
    QLabel *m_locationMessage;
    ResultCard *m_card;
    TimeLimitedTask *m_locationLookup;
};

} // namespace trevlamark
