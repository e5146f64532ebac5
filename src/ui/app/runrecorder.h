#pragma once
// Saves each finished run of the window in the run history (the team database
// of the settings, else the local file) on a thread of its own, so a slow or
// unreachable server never holds up the results; a failed save is shown as an
// alert, the result stays on screen.

#include "engine/performancetestresult.h"
#include "engine/streamresult.h"
#include "engine/testrequest.h"
#include "engine/timelinemarker.h"

#include <QList>
#include <QObject>
#include <QString>

namespace trevlamark {

class AlertPresenter;

class RunRecorder : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunRecorder)

public:
    explicit RunRecorder(AlertPresenter *alertPresenter, QObject *parent = nullptr);

    void record(const TestRequest &request, const PerformanceTestResult &result, const QList<StreamResult> &samples,
        const QList<TimelineMarker> &markers);

signals:
    // The run is in the history under this id.
    void saved(qint64 id);
    void saveFailed(const QString &message);

private:
    AlertPresenter *m_alertPresenter;
};

} // namespace trevlamark
