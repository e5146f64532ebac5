#include "ui/testscreen/runcheckpanel.h"

#include "engine/preruncheck.h"
#include "ui/common/backgroundtask.h"
#include "ui/common/findingslabel.h"

#include <QVBoxLayout>

namespace trevlamark {

RunCheckPanel::RunCheckPanel(QWidget *parent)
    : QWidget(parent)
    , m_findings(new FindingsLabel(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_findings);
}

void RunCheckPanel::check(const TestRequest &request)
{
    const quint64 generation = ++m_generation;
    m_isChecking = true;
    m_location = request.testLocation();
    m_findings->setLines({{QStringLiteral("Checking %1 before the run…").arg(m_location), FindingsLabel::Severity::fact}});
    emit verdictChanged();
    BackgroundTask::run<CheckReport>(
        this, [request] { return PreRunCheck::run(request); },
        [this, generation](const CheckReport &report) {
            if (generation == m_generation)
                showReport(report);
        });
}

QString RunCheckPanel::holdReason() const
{
    if (m_isChecking)
        return QStringLiteral("Checking %1 before the run").arg(m_location);
    if (m_report && m_report->isRefused())
        return QStringLiteral("Refused: ") + m_report->refusalText();
    return {};
}

void RunCheckPanel::showReport(const CheckReport &report)
{
    m_isChecking = false;
    m_report = report;
    QList<FindingsLabel::Line> lines;
    for (const QString &line : report.lines()) {
        const qsizetype index = lines.size();
        const CheckReport::Severity severity = report.findings.at(index).severity;
        lines.append({line, severity == CheckReport::Severity::refusal ? FindingsLabel::Severity::refusal
                            : severity == CheckReport::Severity::hint  ? FindingsLabel::Severity::hint
                                                                        : FindingsLabel::Severity::fact});
    }
    m_findings->setLines(lines);
    emit verdictChanged();
}

} // namespace trevlamark
