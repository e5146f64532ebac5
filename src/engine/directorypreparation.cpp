#include "engine/directorypreparation.h"

#include "discovery/sharemanager.h"
#include "engine/mainthreadbridge.h"
#include "engine/runmarker.h"
#include "engine/testdirectory.h"
#include "platform/detachedthreads.h"
#include "platform/logcategories.h"
#include "platform/mountinfo.h"

#include <QDateTime>
#include <mutex>
#include <utility>

namespace trevlamark {

// `abandoned` means nobody takes an outcome any more: set when the caller
// takes it or gives up. An outcome that arrives after that, or is still
// untaken when the caller gives up, is discarded.
struct DirectoryPreparation::Handover
{
    std::mutex mutex;
    bool abandoned = false;
    std::optional<Outcome> outcome;
};

DirectoryPreparation::DirectoryPreparation(QObject *parent)
    : QObject(parent)
    , m_bridge(std::make_shared<MainThreadBridge>(this))
{
    m_limit.setSingleShot(true);
}

DirectoryPreparation::~DirectoryPreparation()
{
    m_bridge->detach();
    abandon();
}

void DirectoryPreparation::start(const QString &location, const NetworkShare &share, int seedFiles,
    int limitSeconds, std::function<void(Outcome)> done, Furnish furnish)
{
    abandon();
    m_done = std::move(done);
    const auto handover = std::make_shared<Handover>();
    m_handover = handover;
    const qint64 startSeconds = QDateTime::currentSecsSinceEpoch();
    DetachedThreads::start([handover, bridge = m_bridge, location, share, seedFiles, startSeconds, furnish, this] {
        Outcome outcome = make(location, share, seedFiles, startSeconds, furnish);
        std::unique_lock lock(handover->mutex);
        if (handover->abandoned) {
            lock.unlock();
            discard(std::move(outcome));
            return;
        }
        handover->outcome = std::move(outcome);
        bridge->post([this, handover] { deliver(handover); });
    });
    m_limit.disconnect();
    connect(&m_limit, &QTimer::timeout, this, [this, handover, location, limitSeconds] {
        {
            std::lock_guard lock(handover->mutex);
            if (handover->outcome || handover->abandoned)
                return; // on its way, or already given up
            handover->abandoned = true;
        }
        const QString reason = QStringLiteral("Failed to create test directory: %1 did not answer within %2 seconds")
                                   .arg(location)
                                   .arg(limitSeconds);
        qCCritical(lcEngine).noquote() << reason;
        if (const auto done = std::exchange(m_done, nullptr))
            done(reason);
    });
    m_limit.start(limitSeconds * 1000);
}

void DirectoryPreparation::deliver(const std::shared_ptr<Handover> &handover)
{
    std::optional<Outcome> outcome;
    {
        std::lock_guard lock(handover->mutex);
        if (handover->abandoned || !handover->outcome)
            return;
        handover->abandoned = true;
        outcome = std::move(handover->outcome);
        handover->outcome.reset();
    }
    m_limit.stop();
    if (const auto done = std::exchange(m_done, nullptr))
        done(std::move(*outcome));
    else
        discard(std::move(*outcome));
}

void DirectoryPreparation::abandon()
{
    m_limit.stop();
    m_done = nullptr;
    if (!m_handover)
        return;
    std::optional<Outcome> unclaimed;
    {
        std::lock_guard lock(m_handover->mutex);
        m_handover->abandoned = true;
        unclaimed = std::move(m_handover->outcome);
        m_handover->outcome.reset();
    }
    m_handover.reset();
    if (unclaimed)
        discard(std::move(*unclaimed));
}

DirectoryPreparation::Outcome DirectoryPreparation::make(const QString &location, const NetworkShare &share,
    int seedFiles, qint64 startSeconds, const Furnish &furnish)
{
    // A share unmounted since it was chosen leaves an empty folder of the
    // local disk at its mount point: never measure that as the share.
    if (const std::optional<QList<MountEntry>> table = MountInfo::readTable()) {
        if (const std::optional<QString> problem = ShareManager::mountProblem(*table, share, location)) {
            qCCritical(lcEngine).noquote() << *problem;
            return *problem;
        }
    }
    const std::optional<QString> path = TestDirectory::create(location, startSeconds);
    if (!path)
        return QStringLiteral("Failed to create test directory");
    Prepared prepared;
    prepared.path = *path;
    prepared.marker = RunMarker::place(*path);
    prepared.seedFiles = TestDirectory::createSeedFiles(*path, seedFiles);
    if (const std::optional<QString> problem = furnish ? furnish(*path) : std::nullopt) {
        discard(std::move(prepared));
        return *problem;
    }
    return prepared;
}

void DirectoryPreparation::discard(Outcome outcome)
{
    auto *prepared = std::get_if<Prepared>(&outcome);
    if (!prepared)
        return;
    prepared->marker.reset();
    DetachedThreads::start([path = prepared->path] {
        const DeletionResult deletion = TestDirectory::removeWithRetry(path, 5);
        qCInfo(lcEngine).noquote() << (deletion.success ? QStringLiteral("Removed abandoned test directory: %1")
                                                        : QStringLiteral("Could not remove abandoned test directory: %1"))
                                          .arg(path);
    });
}

} // namespace trevlamark
