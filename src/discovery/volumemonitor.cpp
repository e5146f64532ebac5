#include "discovery/volumemonitor.h"

#include "platform/logcategories.h"

#include <QFileInfo>

namespace trevlamark {

namespace {
QString lastPathComponent(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}
} // namespace

VolumeMonitor &VolumeMonitor::shared()
{
    static VolumeMonitor *instance = new VolumeMonitor;
    return *instance;
}

VolumeMonitor::VolumeMonitor(QObject *parent)
    : QObject(parent)
{
}

VolumeMonitor::~VolumeMonitor()
{
    qCInfo(lcConsole).noquote() << QStringLiteral("VolumeMonitor destroyed");
    stopMonitoring();
}

void VolumeMonitor::startMonitoring()
{
    qCDebug(lcDiscovery).noquote() << QStringLiteral("VolumeMonitor: startMonitoring started");
    if (m_isMonitoring) {
        qCDebug(lcDiscovery).noquote() << QStringLiteral("VolumeMonitor: already monitoring, skipping");
        return;
    }
    // The watcher is joined before this object goes away, so its queued calls
    // always find the object; Qt drops queued calls to an object already deleted.
    m_watcher = std::make_unique<MountWatcher>([this](const QList<MountChange> &changes) {
        for (const MountChange &change : changes) {
            QMetaObject::invokeMethod(
                this,
                [this, change] {
                    if (change.isMount)
                        handleVolumeMounted(change.mountPoint);
                    else
                        handleVolumeUnmounted(change.mountPoint);
                },
                Qt::QueuedConnection);
        }
    });
    QString errorText;
    if (!m_watcher->start(&errorText)) {
        qCCritical(lcDiscovery).noquote() << QStringLiteral("VolumeMonitor: Cannot watch the mount table: ")
                                             + errorText;
        m_watcher.reset();
        return;
    }
    m_isMonitoring = true;
    qCDebug(lcDiscovery).noquote() << QStringLiteral("VolumeMonitor: Started monitoring volume events");
}

void VolumeMonitor::stopMonitoring()
{
    if (!m_isMonitoring)
        return;
    m_watcher.reset();
    m_isMonitoring = false;
    qCInfo(lcConsole).noquote() << QStringLiteral("VolumeMonitor: Stopped monitoring volume events");
}

void VolumeMonitor::handleVolumeMounted(const QString &mountPoint)
{
    if (mountPoint.isEmpty())
        return;
    qCInfo(lcConsole).noquote() << QStringLiteral("VolumeMonitor: Volume mounted: ") + lastPathComponent(mountPoint);
    notifyChange();
}

void VolumeMonitor::handleVolumeUnmounted(const QString &mountPoint)
{
    if (mountPoint.isEmpty())
        return;
    qCInfo(lcConsole).noquote() << QStringLiteral("VolumeMonitor: Volume did unmount: ")
                                   + lastPathComponent(mountPoint);
    notifyChange();
}

void VolumeMonitor::notifyChange()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            ++m_mountChangeCount;
            qCInfo(lcConsole).noquote() << QStringLiteral("VolumeMonitor: Notified change #%1").arg(m_mountChangeCount);
            emit mountChangeCountChanged(m_mountChangeCount);
        },
        Qt::QueuedConnection);
}

} // namespace trevlamark
