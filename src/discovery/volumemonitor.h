#pragma once
// Counts mount and unmount events. One process-wide instance; the count only
// changes on the main thread, one step per event, in event order.

#include "platform/mountwatcher.h"

#include <QObject>
#include <QString>
#include <memory>

namespace trevlamark {

class VolumeMonitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VolumeMonitor)
    Q_PROPERTY(int mountChangeCount READ mountChangeCount NOTIFY mountChangeCountChanged)
public:
    // Created on first use; call it first on the main thread.
    static VolumeMonitor &shared();

    explicit VolumeMonitor(QObject *parent = nullptr);
    ~VolumeMonitor() override;

    void startMonitoring();
    void stopMonitoring();

    int mountChangeCount() const { return m_mountChangeCount; }
    bool isMonitoring() const { return m_isMonitoring; }

    // The handlers of one event, run on the main thread; an empty path is no event.
    void handleVolumeMounted(const QString &mountPoint);
    void handleVolumeUnmounted(const QString &mountPoint);

signals:
    void mountChangeCountChanged(int mountChangeCount);

private:
    void notifyChange();

    int m_mountChangeCount = 0;
    std::unique_ptr<MountWatcher> m_watcher;
    bool m_isMonitoring = false;
};

} // namespace trevlamark
