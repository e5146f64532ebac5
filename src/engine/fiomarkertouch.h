#pragma once
// Keeps the run markers in the clients' test directories fresh while their
// jobs run: a small fio job through each server touches its marker every few
// seconds, so a sweep from any machine leaves those directories alone.

#include "engine/fioclient.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>

namespace trevlamark {

class FioMarkerTouch : public QObject
{
    Q_OBJECT

public:
    struct Target
    {
        FioClient server;
        QString directoryName;
    };

    explicit FioMarkerTouch(QObject *parent = nullptr);

    // The first touch comes a second after the start, once the jobs have made
    // the directories; the job files go to jobFolder.
    void start(const QString &jobFolder, const QList<Target> &targets);
    // Also ends a touch still going, which could outlive the removal that follows.
    void stop();

private:
    void touch();

    QTimer m_timer;
    QString m_jobFolder;
    QList<Target> m_targets;
    QList<QPointer<QProcess>> m_touches;

    Q_DISABLE_COPY_MOVE(FioMarkerTouch)
};

} // namespace trevlamark
