#pragma once
// The check before a run, shown above Start: it runs off the window's thread
// whenever the run's shape or location changes, says that it waits while it
// does, and lists what it found. A refusal (or a check still under way)
// keeps Start from starting the run.

#include "engine/checkreport.h"
#include "engine/testrequest.h"

#include <QWidget>
#include <optional>

namespace trevlamark {

class FindingsLabel;

class RunCheckPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunCheckPanel)

public:
    explicit RunCheckPanel(QWidget *parent = nullptr);

    // Starts a new check; the answer of an earlier one still under way is dropped.
    void check(const TestRequest &request);

    bool isChecking() const { return m_isChecking; }
    bool allowsStart() const { return !m_isChecking && m_report && !m_report->isRefused(); }
    // Why Start is held back; empty when it is not.
    QString holdReason() const;
    const std::optional<CheckReport> &report() const { return m_report; }
    FindingsLabel *findingsLabel() const { return m_findings; }

signals:
    void verdictChanged();

private:
    void showReport(const CheckReport &report);

    FindingsLabel *m_findings;
    std::optional<CheckReport> m_report;
    QString m_location;
    quint64 m_generation = 0;
    bool m_isChecking = false;
};

} // namespace trevlamark
