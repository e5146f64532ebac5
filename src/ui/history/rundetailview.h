#pragma once
// One kept run opened: what ran where, its results card and its chart drawn
// again from the stored samples and timeline markers.

#include "history/runrecord.h"

#include <QWidget>

class QLabel;

namespace trevlamark {

class FindingsLabel;
class ResultCard;
class TestGraphPanel;

class RunDetailView : public QWidget
{
    Q_OBJECT

public:
    explicit RunDetailView(QWidget *parent = nullptr);

    void setRun(const RunRecord &run);
    const RunRecord &run() const { return m_run; }
    // The chart as the user sees it, for "Save Chart as PNG".
    TestGraphPanel *graphs() const { return m_graphs; }
    // "Run 12 · 07/12/2026 04:22 · /mnt/lab (SMB on nas) · host build-7" then the result text.
    static QString summaryText(const RunRecord &run);
    // The line that names a run in headings and summaries.
    static QString runTitle(const RunRecord &run);

private:
    RunRecord m_run;
    QLabel *m_title;
    QLabel *m_context;
    FindingsLabel *m_mountSettings;
    TestGraphPanel *m_graphs;
    ResultCard *m_card;
};

} // namespace trevlamark
