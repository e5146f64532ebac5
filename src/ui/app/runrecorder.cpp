#include "ui/app/runrecorder.h"

#include "history/runrecordbuilder.h"
#include "history/runstore.h"
#include "ui/app/alertpresenter.h"
#include "ui/common/backgroundtask.h"

namespace trevlamark {

namespace {

struct SaveOutcome
{
    std::optional<qint64> id;
    QString errorText;
    QString notice;
};

} // namespace

RunRecorder::RunRecorder(AlertPresenter *alertPresenter, QObject *parent)
    : QObject(parent)
    , m_alertPresenter(alertPresenter)
{
}

void RunRecorder::record(const TestRequest &request, const PerformanceTestResult &result,
    const QList<StreamResult> &samples, const QList<TimelineMarker> &markers)
{
    QString problem;
    const std::optional<DatabaseLocation> location = DatabaseLocation::resolve(QString(), &problem);
    const RunRecord record = RunRecordBuilder::build(request, result, samples, markers);
    BackgroundTask::run<SaveOutcome>(
        this,
        [location, record, problem] {
            if (!location)
                return SaveOutcome{std::nullopt, problem, QString()};
            RunStore store(*location);
            const std::optional<qint64> id = store.save(record);
            return SaveOutcome{id, store.errorText(), store.notice()};
        },
        [this](const SaveOutcome &outcome) {
            if (!outcome.notice.isEmpty())
                m_alertPresenter->present(Alert{Alert::Style::Warning, QStringLiteral("The run history was damaged"),
                    outcome.notice, {QStringLiteral("OK")}});
            if (outcome.id) {
                emit saved(*outcome.id);
                return;
            }
            m_alertPresenter->present(Alert{Alert::Style::Warning, QStringLiteral("The run was not saved"),
                outcome.errorText, {QStringLiteral("OK")}});
            emit saveFailed(outcome.errorText);
        });
}

} // namespace trevlamark
