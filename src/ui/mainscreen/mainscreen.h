#pragma once
// The first screen: the header with Settings, the detected network shares,
// the test location with its interface, the live traffic graph of an
// interface, and "Open Test".

#include "discovery/networkshare.h"
#include "ui/common/testparameters.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;

class QToolButton;
class QVBoxLayout;

namespace trevlamark {

class FindingsLabel;
class InterfaceSelector;
class MirroredChart;
class NetworkInterfaceMonitor;
class PreferencesManager;
class ShareAnswerNotice;
class ShareList;
class ShareManager;
class TrafficFeed;
class VolumeMonitor;

class MainScreen : public QWidget
{
    Q_OBJECT

public:
    // Shows a folder picker with a message, starting in a folder; the chosen
    // folder or nothing when cancelled.
    using FolderPicker = std::function<std::optional<QString>(const QString &message, const QString &startFolder)>;

    // What the screen learns the world through; every empty member takes the real thing.
    struct Sources
    {
        std::shared_ptr<ShareManager> shareManager;
        // Runs off the main thread.
        std::function<QList<NetworkShare>(ShareManager &manager)> detectShares;
        // Runs off the main thread.
        std::function<bool(const QString &path)> isNetworkPath;
        std::function<QDateTime()> clock;
        // Runs off the main thread.
        std::function<bool(NetworkShare &share)> loadCapacity;
        VolumeMonitor *volumeMonitor = nullptr;
        // Whether to sample the traffic of an interface for the graph.
        bool monitorTraffic = true;
    };

    // Starts from the location chosen before, empty for the default one.
    MainScreen(const QString &selectedLocation, PreferencesManager *preferences, QWidget *parent = nullptr);
    MainScreen(const QString &selectedLocation, PreferencesManager *preferences, Sources sources,
               QWidget *parent = nullptr);
    ~MainScreen() override;
    Q_DISABLE_COPY_MOVE(MainScreen)

    static QString defaultTestLocation();
    static constexpr const char *defaultLocationName = "Default Test Location";
    static constexpr const char *customLocationName = "Custom Location";
    static constexpr double refreshIntervalSeconds = 2.0;

    // The graph's scale (MB/s): 125 without a known link, S x 0.125 x 1.2 with S Mbit/s.
    static double graphMaximum(std::optional<int> linkSpeedMbps);
    // The interface line under a network location's path.
    static QString interfaceLine(const QString &interfaceID, const std::optional<NetworkInterfaceInfo> &info);

    void setFolderPicker(FolderPicker picker) { m_folderPicker = std::move(picker); }
    void showCustomFolderPicker();
    void showShareFolderPicker(const NetworkShare &share);
    // The folder, and the name proposed for it (empty: its last path component).
    void selectLocation(const QString &path, const QString &proposedName);
    void openTest();
    // Detects the shares again unless the last refresh is less than 2 s old;
    // false when skipped.
    bool refreshShares();
    // A mount or unmount: clears the network caches and refreshes, later if
    // the throttle skips it now.
    void volumesChanged();
    bool hasPendingRefresh() const { return m_pendingRefresh->isActive(); }

    QString selectedLocation() const { return m_selectedLocation; }
    QString selectedShareName() const { return m_selectedShareName; }
    bool isNetworkLocation() const { return m_isNetworkLocation; }
    const std::optional<NetworkShare> &selectedShareDetails() const { return m_selectedShareDetails; }
    bool isLoadingShares() const { return m_isLoadingShares; }
    QString selectedMonitorInterface() const { return m_selectedMonitorInterface; }
    double currentGraphMaximum() const;
    ShareList *shareList() const { return m_shareList; }
    QPushButton *openTestButton() const { return m_openTestButton; }
    QPushButton *settingsButton() const { return m_settingsButton; }
    QLabel *interfaceLabel() const { return m_interfaceLine; }
    ShareAnswerNotice *shareNotice() const { return m_shareNotice; }
    FindingsLabel *mountSettingsLabel() const { return m_mountSettingsLine; }
    NetworkInterfaceMonitor *networkMonitor() const { return m_networkMonitor; }

signals:
    void settingsRequested();
    void historyRequested();
    // "Open Test" on a chosen location.
    void testRequested(const trevlamark::TestParameters &parameters);
    // The user picked a location, or a vanished one fell back to the default.
    void selectedLocationChanged(const QString &location);
    // A share refresh finished and its list is in place.
    void sharesRefreshed();

protected:
    void changeEvent(QEvent *event) override;

private:
    void askLocationKind();
    void applyLocationKind(bool isNetwork);
    void buildLayout();
    bool refreshShares(bool isDeferred);
    void applyShares(const QList<NetworkShare> &shares);
    void validateSelection();
    void revertToDefaultLocation();
    std::optional<QString> pickFolder(const QString &message, const QString &startFolder, const char *noWindowError);
    std::optional<QString> selectedMountPath() const;
    void refreshLocation();
    void setupNetworkMonitoring();
    void startNetworkGraph();
    void stopNetworkGraph();
    void startGraphTimer();
    void selectMonitorInterface(const QString &interfaceID);
    void developerSettingsChanged();
    void refreshGraphScale();

    QPointer<PreferencesManager> m_preferences;
    Sources m_sources;
    QTimer *m_pendingRefresh;
    TrafficFeed *m_trafficFeed;
    FolderPicker m_folderPicker;
    QString m_selectedLocation;
    QString m_selectedShareName;
    bool m_isNetworkLocation = false;
    bool m_locationKindPending = false;
    QList<NetworkShare> m_mountedShares;
    std::optional<NetworkShare> m_selectedShareDetails;
    bool m_isLoadingShares = false;
    std::optional<QDateTime> m_lastRefreshTime;
    // Only the newest refresh's answer is applied.
    quint64 m_refreshGeneration = 0;

    NetworkInterfaceMonitor *m_networkMonitor = nullptr;
    QList<QPair<QString, QString>> m_availableInterfaces;
    QString m_selectedMonitorInterface;
    double m_graphTimeWindow = 60;
    double m_graphSamplingRate = 0.1;
    double m_graphRefreshRate = 0.1;

    ShareList *m_shareList = nullptr;
    ShareAnswerNotice *m_shareNotice = nullptr; // what a click on a share waits for
    QLabel *m_locationIcon = nullptr;
    QLabel *m_locationName = nullptr;
    QLabel *m_locationPath = nullptr;
    QLabel *m_interfaceLine = nullptr;
    FindingsLabel *m_mountSettingsLine = nullptr;
    QToolButton *m_folderButton = nullptr;
    QPushButton *m_openTestButton = nullptr;
    QPushButton *m_settingsButton = nullptr;
    InterfaceSelector *m_interfaceSelector = nullptr;
    MirroredChart *m_networkGraph = nullptr;
};

} // namespace trevlamark
