#include "engine/fiomarkertouch.h"

#include "engine/fiojobfile.h"
#include "engine/runmarker.h"

#include <QDir>
#include <QFile>

namespace trevlamark {

FioMarkerTouch::FioMarkerTouch(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &FioMarkerTouch::touch);
}

void FioMarkerTouch::start(const QString &jobFolder, const QList<Target> &targets)
{
    m_jobFolder = jobFolder;
    m_targets = targets;
    m_timer.start(1000);
}

void FioMarkerTouch::touch()
{
    // A sweep skips a directory whose marker was touched within the last minute.
    m_timer.setInterval(RunMarker::refreshSeconds * 1000);
    for (const Target &target : std::as_const(m_targets)) {
        const QString jobPath = QDir(m_jobFolder).filePath(QStringLiteral("marker-%1.fio").arg(target.server.directoryTag()));
        QFile file(jobPath);
        if (!file.exists() && !(file.open(QIODevice::WriteOnly)
                && file.write(FioJobFile::markerTouch(target.server.locationPath, target.directoryName)) > 0))
            continue;
        file.close();
        auto *process = new QProcess(this);
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QStringLiteral("fio"), {target.server.clientArgument(), jobPath});
        m_touches.append(process);
    }
    m_touches.removeAll(nullptr);
}

void FioMarkerTouch::stop()
{
    m_timer.stop();
    for (const QPointer<QProcess> &process : std::as_const(m_touches)) {
        if (process && process->state() != QProcess::NotRunning)
            process->kill();
    }
    m_touches.clear();
}

} // namespace trevlamark
