#include "engine/runmarker.h"

#include "platform/detachedthreads.h"
#include "platform/logcategories.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>

namespace trevlamark {

namespace {

// The runs of this process whose markers are held: its own directories are
// told apart by run, as the process is alive for all of them.
std::mutex heldRunsMutex;
QSet<QString> heldRuns;

QString markerPath(const QString &directory)
{
    return directory + QLatin1Char('/') + QLatin1String(RunMarker::fileName);
}

bool isHeld(const QString &runId)
{
    std::lock_guard lock(heldRunsMutex);
    return heldRuns.contains(runId);
}

} // namespace

struct RunMarker::Refresher
{
    std::mutex mutex;
    std::condition_variable stopRequested;
    bool stopped = false;
};

RunMarker::RunMarker(QString runId, std::shared_ptr<Refresher> refresher)
    : m_runId(std::move(runId))
    , m_refresher(std::move(refresher))
{
}

std::shared_ptr<RunMarker> RunMarker::place(const QString &directory)
{
    const QString runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!write(directory, ProcessIdentity::current(), runId))
        return nullptr;
    {
        std::lock_guard lock(heldRunsMutex);
        heldRuns.insert(runId);
    }
    auto refresher = std::make_shared<Refresher>();
    // A thread of its own: on a share that stopped answering the refresh
    // blocks in the kernel, and it must never hold up the main thread.
    DetachedThreads::start([refresher, path = QFile::encodeName(markerPath(directory))] {
        std::unique_lock lock(refresher->mutex);
        while (!refresher->stopRequested.wait_for(lock, std::chrono::seconds(refreshSeconds),
                                                  [&refresher] { return refresher->stopped; })) {
            lock.unlock();
            if (::utimensat(AT_FDCWD, path.constData(), nullptr, 0) != 0)
                qCDebug(lcEngine).noquote() << QStringLiteral("Could not refresh run marker: ")
                                               + QString::fromLocal8Bit(path);
            lock.lock();
        }
    });
    return std::shared_ptr<RunMarker>(new RunMarker(runId, refresher));
}

RunMarker::~RunMarker()
{
    {
        std::lock_guard lock(m_refresher->mutex);
        m_refresher->stopped = true;
    }
    m_refresher->stopRequested.notify_all();
    std::lock_guard lock(heldRunsMutex);
    heldRuns.remove(m_runId);
}

bool RunMarker::write(const QString &directory, const ProcessIdentity &owner, const QString &runId)
{
    const QJsonObject record{{"host", owner.host},
        {"bootId", owner.bootId},
        {"pid", owner.processId},
        {"startTicks", qint64(owner.startTicks)},
        {"run", runId}};
    QFile file(markerPath(directory));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || !file.write(QJsonDocument(record).toJson(QJsonDocument::Compact))) {
        qCWarning(lcEngine).noquote() << QStringLiteral("Could not write run marker in %1: %2")
                                             .arg(directory, file.errorString());
        return false;
    }
    return true;
}

std::optional<QString> RunMarker::liveOwner(const QString &directory)
{
    const QString path = markerPath(directory);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject record = QJsonDocument::fromJson(file.read(4096)).object();
    ProcessIdentity owner;
    owner.host = record.value(QLatin1String("host")).toString();
    owner.bootId = record.value(QLatin1String("bootId")).toString();
    owner.processId = record.value(QLatin1String("pid")).toInteger();
    owner.startTicks = quint64(record.value(QLatin1String("startTicks")).toInteger());

    const ProcessIdentity self = ProcessIdentity::current();
    if (owner.sameBootAs(self)) {
        if (owner.processId == self.processId && owner.startTicks == self.startTicks) {
            if (isHeld(record.value(QLatin1String("run")).toString()))
                return QStringLiteral("a test running in this process");
            return std::nullopt;
        }
        if (owner.isRunningHere())
            return QStringLiteral("process %1 on this computer").arg(owner.processId);
        return std::nullopt;
    }
    // Another computer, the same name after a reboot, or a marker being
    // written right now: only the refreshes tell whether its run goes on. A
    // clock running ahead of ours keeps it alive, never removes it early.
    const qint64 ageSeconds = QFileInfo(path).lastModified().secsTo(QDateTime::currentDateTime());
    if (ageSeconds >= remoteLifetimeSeconds)
        return std::nullopt;
    const QString host = owner.host.isEmpty() ? QStringLiteral("an unknown computer") : owner.host;
    return QStringLiteral("a test of %1, marker refreshed %2 s ago").arg(host).arg(std::max<qint64>(ageSeconds, 0));
}

} // namespace trevlamark
