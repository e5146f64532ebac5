#include "ui/mainscreen/mainscreen.h"

#include "platform/logcategories.h"
#include "settings/preferencesmanager.h"
#include "discovery/sharemanager.h"
#include "discovery/volumemonitor.h"
#include "monitor/networkinterfacemonitor.h"
#include "platform/platformpaths.h"
#include "ui/charts/mirroredchart.h"
#include "ui/charts/trafficfeed.h"
#include "ui/common/backgroundtask.h"
#include "ui/common/findingslabel.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/themecolors.h"
#include "ui/mainscreen/interfaceselector.h"
#include "ui/mainscreen/shareanswernotice.h"
#include "ui/mainscreen/sharelist.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

// Resources of a static library must be pulled in by name.
static void initialiseTrevlamarkResources()
{
    Q_INIT_RESOURCE(trevlamark);
}

namespace trevlamark {

namespace {
// The sampler needs a positive interval and the timer a positive period.
constexpr double minimumIntervalSeconds = 0.01;

MainScreen::Sources withDefaults(MainScreen::Sources sources)
{
    if (!sources.shareManager)
        sources.shareManager = std::make_shared<ShareManager>();
    if (!sources.detectShares)
        sources.detectShares = [](ShareManager &manager) { return manager.detectMountedShares(); };
    if (!sources.isNetworkPath)
        sources.isNetworkPath = [](const QString &path) { return NetworkShare::isNetworkVolume(path); };
    if (!sources.clock)
        sources.clock = [] { return QDateTime::currentDateTimeUtc(); };
    if (!sources.loadCapacity)
        sources.loadCapacity = [](NetworkShare &share) { return share.loadStorageInfo(); };
    if (!sources.volumeMonitor)
        sources.volumeMonitor = &VolumeMonitor::shared();
    return sources;
}
} // namespace

MainScreen::MainScreen(const QString &selectedLocation, PreferencesManager *preferences, QWidget *parent)
    : MainScreen(selectedLocation, preferences, Sources(), parent)
{
}

MainScreen::MainScreen(const QString &selectedLocation, PreferencesManager *preferences, Sources sources,
                       QWidget *parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_sources(withDefaults(std::move(sources)))
    , m_pendingRefresh(new QTimer(this))
    , m_trafficFeed(new TrafficFeed(this))
{
    initialiseTrevlamarkResources();
    buildLayout();
    connect(m_trafficFeed, &TrafficFeed::ticked, m_networkGraph,
            [this] { m_networkGraph->setTrafficSamples(m_trafficFeed->samples()); });
    m_pendingRefresh->setSingleShot(true);
    connect(m_pendingRefresh, &QTimer::timeout, this, [this] { refreshShares(true); });

    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Appeared");
    // Coming back from a test keeps the location the user had chosen.
    m_selectedLocation = selectedLocation;
    if (!m_selectedLocation.isEmpty()) {
        askLocationKind();
        m_selectedShareName = m_selectedLocation == defaultTestLocation() ? QLatin1String(defaultLocationName)
                                                                           : QLatin1String(customLocationName);
    }
    refreshShares();
    if (m_selectedLocation.isEmpty()) {
        m_selectedLocation = defaultTestLocation();
        m_selectedShareName = QLatin1String(defaultLocationName);
    }
    refreshLocation();

    VolumeMonitor *volumeMonitor = m_sources.volumeMonitor;
    volumeMonitor->startMonitoring();
    connect(volumeMonitor, &VolumeMonitor::mountChangeCountChanged, this, &MainScreen::volumesChanged);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            refreshShares();
    });

    setupNetworkMonitoring();
    startNetworkGraph();
    connect(preferences, &PreferencesManager::saved, this, &MainScreen::developerSettingsChanged);
}

MainScreen::~MainScreen()
{
    stopNetworkGraph();
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Cleaned up resources");
}

QString MainScreen::defaultTestLocation()
{
    return PlatformPaths::testDataDirectory();
}

double MainScreen::graphMaximum(std::optional<int> linkSpeedMbps)
{
    if (!linkSpeedMbps || *linkSpeedMbps <= 0)
        return 125.0;
    return double(*linkSpeedMbps) * 0.125 * 1.2;
}

QString MainScreen::interfaceLine(const QString &interfaceID, const std::optional<NetworkInterfaceInfo> &info)
{
    QString line = QStringLiteral("Interface: ") + interfaceID;
    if (info && info->isWifi)
        line += QStringLiteral("  Wi-Fi");
    else if (info && info->speed)
        line += QStringLiteral("  Speed: ") + *info->speed;
    return line;
}

void MainScreen::buildLayout()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(12);

    auto *header = new QHBoxLayout;
    auto *logo = new QLabel(content);
    logo->setObjectName(QStringLiteral("headerImage"));
    logo->setPixmap(QIcon(QStringLiteral(":/icons/trevlamark.svg")).pixmap(56, 56));
    header->addWidget(logo);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(0);
    auto *title = new QLabel(QStringLiteral("Trevlamark"), content);
    QFont titleFont = title->font();
    titleFont.setPointSize(26);
    title->setFont(titleFont);
    auto *byline = new QLabel(QStringLiteral("by qormix"), content);
    QFont bylineFont = byline->font();
    bylineFont.setPointSize(12);
    byline->setFont(bylineFont);
    byline->setForegroundRole(QPalette::PlaceholderText);
    titles->addWidget(title);
    titles->addWidget(byline);
    header->addLayout(titles);
    header->addStretch();
    auto *historyButton = new QPushButton(QIcon::fromTheme(QStringLiteral("document-open-recent"),
                                                           style()->standardIcon(QStyle::SP_FileDialogListView)),
                                          QStringLiteral("History"), content);
    connect(historyButton, &QPushButton::clicked, this, &MainScreen::historyRequested);
    header->addWidget(historyButton, 0, Qt::AlignTop);
    m_settingsButton = new QPushButton(QIcon::fromTheme(QStringLiteral("preferences-system"),
                                                        style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
                                       QStringLiteral("Settings"), content);
    connect(m_settingsButton, &QPushButton::clicked, this, &MainScreen::settingsRequested);
    header->addWidget(m_settingsButton, 0, Qt::AlignTop);
    layout->addLayout(header);

    layout->addWidget(new SectionTitle(QStringLiteral("Network Shares"), content));
    m_shareList = new ShareList(m_sources.loadCapacity, m_sources.clock, content);
    connect(m_shareList, &ShareList::shareSelected, this, &MainScreen::showShareFolderPicker);
    layout->addWidget(m_shareList);
    m_shareNotice = new ShareAnswerNotice(content);
    layout->addWidget(m_shareNotice);

    layout->addWidget(new SectionTitle(QStringLiteral("Test Location"), content));
    auto *locationCard = new QFrame(content);
    locationCard->setFrameShape(QFrame::StyledPanel);
    auto *cardLayout = new QHBoxLayout(locationCard);
    cardLayout->setContentsMargins(12, 12, 12, 12);
    m_locationIcon = new QLabel(locationCard);
    cardLayout->addWidget(m_locationIcon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_locationName = new QLabel(locationCard);
    QFont nameFont = m_locationName->font();
    nameFont.setWeight(QFont::Medium);
    m_locationName->setFont(nameFont);
    m_locationPath = new QLabel(locationCard);
    m_locationPath->setForegroundRole(QPalette::PlaceholderText);
    m_locationPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_locationPath->setWordWrap(true);
    m_interfaceLine = new QLabel(locationCard);
    m_interfaceLine->setObjectName(QStringLiteral("interfaceLine"));
    m_interfaceLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(m_locationName);
    texts->addWidget(m_locationPath);
    texts->addWidget(m_interfaceLine);
    m_mountSettingsLine = new FindingsLabel(locationCard);
    texts->addWidget(m_mountSettingsLine);
    cardLayout->addLayout(texts, 1);
    m_folderButton = new QToolButton(locationCard);
    m_folderButton->setIcon(QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    m_folderButton->setToolTip(QStringLiteral("Choose a folder to test"));
    m_folderButton->setAutoRaise(true);
    connect(m_folderButton, &QToolButton::clicked, this, &MainScreen::showCustomFolderPicker);
    cardLayout->addWidget(m_folderButton, 0, Qt::AlignVCenter);
    m_openTestButton = new QPushButton(QStringLiteral("Open Test"), locationCard);
    m_openTestButton->setObjectName(QStringLiteral("openTestButton"));
    connect(m_openTestButton, &QPushButton::clicked, this, &MainScreen::openTest);
    cardLayout->addWidget(m_openTestButton, 0, Qt::AlignVCenter);
    layout->addWidget(locationCard);

    auto *graphHeader = new QHBoxLayout;
    graphHeader->addWidget(new SectionTitle(QStringLiteral("Network Traffic"), content));
    graphHeader->addStretch();
    m_interfaceSelector = new InterfaceSelector(content);
    graphHeader->addWidget(m_interfaceSelector);
    layout->addLayout(graphHeader);
    m_networkGraph = new MirroredChart(MirroredChart::Style::Panel, content);
    layout->addWidget(m_networkGraph);
    layout->addStretch();

    scroll->setWidget(content);
    outer->addWidget(scroll);
}

void MainScreen::volumesChanged()
{
    m_sources.shareManager->clearNetworkCaches();
    if (refreshShares())
        return;
    // A mount or unmount must not be lost to the throttle: the list would
    // keep a share that is gone, or miss a new one, until something else
    // refreshes. Look again once the interval is over.
    if (m_pendingRefresh->isActive())
        return;
    const qint64 elapsedMilliseconds = m_lastRefreshTime->msecsTo(m_sources.clock());
    m_pendingRefresh->start(int(std::clamp<qint64>(qint64(refreshIntervalSeconds * 1000) - elapsedMilliseconds, 0,
                                                   qint64(refreshIntervalSeconds * 1000))));
}

bool MainScreen::refreshShares()
{
    return refreshShares(false);
}

bool MainScreen::refreshShares(bool isDeferred)
{
    const QDateTime now = m_sources.clock();
    if (m_lastRefreshTime && !isDeferred) {
        const double elapsedSeconds = double(m_lastRefreshTime->msecsTo(now)) / 1000.0;
        if (elapsedSeconds < refreshIntervalSeconds) {
            qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Skipping refresh - too soon since last refresh (")
                                      + QString::asprintf("%.1f", elapsedSeconds) + QStringLiteral("s ago)");
            return false;
        }
    }
    m_pendingRefresh->stop();
    m_lastRefreshTime = now;
    m_isLoadingShares = true;
    m_shareList->setLoading(true);
    const quint64 generation = ++m_refreshGeneration;
    // The manager travels with the work, so it outlives a screen that goes away meanwhile.
    std::shared_ptr<ShareManager> manager = m_sources.shareManager;
    BackgroundTask::run<QList<NetworkShare>>(
        this, [detect = m_sources.detectShares, manager] { return detect(*manager); },
        [this, generation, manager](const QList<NetworkShare> &shares) {
            if (generation == m_refreshGeneration)
                applyShares(shares);
        });
    return true;
}

void MainScreen::applyShares(const QList<NetworkShare> &shares)
{
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Detected %1 network shares").arg(shares.size());
    m_mountedShares = shares;
    m_isLoadingShares = false;
    m_shareList->setLoading(false);
    validateSelection();
    // A location restored from the navigation model finds its share record here.
    if (m_isNetworkLocation) {
        const bool wasMatched = m_selectedShareDetails.has_value();
        const ShareRoute route = ShareManager::routeFor(m_mountedShares, m_selectedLocation);
        m_selectedShareDetails = route.share;
        if (!wasMatched && route.share) {
            if (m_selectedShareName == QLatin1String(customLocationName))
                m_selectedShareName = route.share->shareName;
            if (route.link)
                m_interfaceSelector->setSelectedInterface(route.link->interfaceID);
        }
    }
    m_shareList->setShares(m_mountedShares, selectedMountPath());
    refreshLocation();
    refreshGraphScale();
    emit sharesRefreshed();
}

void MainScreen::validateSelection()
{
    // A location not yet known to be local may be on a share that no longer answers.
    if (m_selectedLocation.isEmpty() || m_locationKindPending)
        return;
    if (!m_isNetworkLocation) {
        // A folder taken as local can still lie below a mount point that stopped answering.
        const QString path = m_selectedLocation;
        BackgroundTask::run<bool>(this, [path] { return QFileInfo::exists(path); }, [this, path](bool exists) {
            if (exists || path != m_selectedLocation)
                return;
            qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Selected local location no longer exists, reverting to default location");
            revertToDefaultLocation();
        });
        return;
    }
    if (!ShareManager::shareFor(m_mountedShares, m_selectedLocation)) {
        qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Selected network location is no longer available, reverting to default location");
        revertToDefaultLocation();
    }
}

void MainScreen::revertToDefaultLocation()
{
    m_selectedLocation = defaultTestLocation();
    emit selectedLocationChanged(m_selectedLocation);
    m_selectedShareName = QLatin1String(defaultLocationName);
    m_selectedShareDetails.reset();
    m_isNetworkLocation = false;
    m_locationKindPending = false;
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Reverted to default test location: ") + m_selectedLocation;
    m_shareList->setSelectedMountPath(selectedMountPath());
    refreshLocation();
    refreshGraphScale();
}

std::optional<QString> MainScreen::pickFolder(const QString &message, const QString &startFolder,
                                              const char *noWindowError)
{
    if (m_folderPicker)
        return m_folderPicker(message, startFolder);
    QWidget *mainWindow = window();
    if (!mainWindow || mainWindow == this || !mainWindow->isVisible()) {
        qCInfo(lcUi).noquote() << QLatin1String(noWindowError);
        return std::nullopt;
    }
    QFileDialog dialog(mainWindow, message, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void MainScreen::showCustomFolderPicker()
{
    const QString start = m_selectedLocation.isEmpty() ? defaultTestLocation() : m_selectedLocation;
    if (const auto folder =
            pickFolder(QStringLiteral("Please select a folder for performance testing"), start,
                       "MainScreen: Error: No main window available when attempting to show folder picker"))
        selectLocation(*folder, QLatin1String(customLocationName));
}

void MainScreen::showShareFolderPicker(const NetworkShare &share)
{
    m_shareNotice->ask(share.mountPath, [this, share] {
        if (const auto folder = pickFolder(
                QStringLiteral("Please confirm the selection of ") + share.shareName + QStringLiteral(" for testing"),
                share.mountPath, "MainScreen: Error: No main window available when attempting to show share folder picker"))
            selectLocation(*folder, share.shareName);
    });
}

void MainScreen::selectLocation(const QString &path, const QString &proposedName)
{
    m_selectedLocation = path;
    emit selectedLocationChanged(path);
    // Each pick names the location anew: no earlier share's or default's name may stick.
    m_selectedShareName = proposedName.isEmpty() ? QFileInfo(path).fileName() : proposedName;
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Successfully selected: ") + path;
    applyLocationKind(false);
    askLocationKind();
}

void MainScreen::askLocationKind()
{
    // Whether a path is remote is found by resolving it, which blocks on a share
    // whose server has stopped answering: ask off the main thread, take it as
    // local meanwhile, and drop the answer if another location was chosen since.
    m_locationKindPending = true;
    const QString path = m_selectedLocation;
    BackgroundTask::run<bool>(
        this, [isNetworkPath = m_sources.isNetworkPath, path] { return isNetworkPath(path); },
        [this, path](bool isNetwork) {
            if (path != m_selectedLocation)
                return;
            m_locationKindPending = false;
            applyLocationKind(isNetwork);
        });
}

void MainScreen::applyLocationKind(bool isNetwork)
{
    m_isNetworkLocation = isNetwork;
    const ShareRoute route = isNetwork ? ShareManager::routeFor(m_mountedShares, m_selectedLocation) : ShareRoute{};
    m_selectedShareDetails = route.share;
    if (m_isNetworkLocation) {
        if (route.share && m_selectedShareName == QLatin1String(customLocationName))
            m_selectedShareName = route.share->shareName;
        qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Network location %1 is on share %2")
                .arg(m_selectedLocation, route.share ? route.share->shareName : QStringLiteral("(none found)"));
    }
    // The graph follows the link that carries the chosen share.
    if (route.link)
        m_interfaceSelector->setSelectedInterface(route.link->interfaceID);
    m_shareList->setSelectedMountPath(selectedMountPath());
    refreshLocation();
    refreshGraphScale();
}

void MainScreen::openTest()
{
    if (m_selectedLocation.isEmpty())
        return;
    // The interface as found with the share: asking the manager again could read sysfs on this thread.
    const std::optional<NetworkInterfaceInfo> interfaceInfo =
        m_selectedShareDetails ? m_selectedShareDetails->cachedInterfaceInfo : std::nullopt;
    emit testRequested(TestParameters{m_selectedLocation, m_isNetworkLocation, m_selectedShareDetails, interfaceInfo,
                                      m_sources.shareManager});
}

std::optional<QString> MainScreen::selectedMountPath() const
{
    if (!m_selectedShareDetails)
        return std::nullopt;
    return m_selectedShareDetails->mountPath;
}

void MainScreen::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refreshLocation();
}

void MainScreen::refreshLocation()
{
    const bool chosen = !m_selectedLocation.isEmpty();
    const QIcon icon = m_isNetworkLocation
                           ? QIcon::fromTheme(QStringLiteral("network-server"),
                                              style()->standardIcon(QStyle::SP_DriveNetIcon))
                           : QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                              style()->standardIcon(QStyle::SP_DriveHDIcon));
    m_locationIcon->setPixmap(icon.pixmap(28, 28));
    m_locationName->setText(chosen ? m_selectedShareName : QStringLiteral("No location selected"));
    m_locationPath->setText(m_selectedLocation);
    const bool showsInterface = m_isNetworkLocation && m_selectedShareDetails && m_selectedShareDetails->interfaceID;
    m_interfaceLine->setVisible(showsInterface);
    if (showsInterface)
        m_interfaceLine->setText(
            interfaceLine(*m_selectedShareDetails->interfaceID, m_selectedShareDetails->cachedInterfaceInfo));
    m_mountSettingsLine->setLines(FindingsLabel::mountSettingsLines(m_isNetworkLocation && m_selectedShareDetails
                                                                       ? m_selectedShareDetails->mountSettings : std::nullopt));
    m_openTestButton->setEnabled(chosen);
    const bool dark = ThemeColors::isDark(palette());
    const QColor background = ThemeColors::buttonFill(
        chosen ? ThemeColors::cool(dark) : palette().color(QPalette::PlaceholderText), dark);
    m_openTestButton->setStyleSheet(QStringLiteral("QPushButton#openTestButton { background: %1; color: %2; "
                                                   "border: none; border-radius: 6px; padding: 6px 16px; }")
                                        .arg(background.name(), ThemeColors::buttonText(dark).name()));
}

void MainScreen::setupNetworkMonitoring()
{
    qCDebug(lcUi).noquote() << QStringLiteral("MainScreen: setupNetworkMonitoring started");
    m_graphTimeWindow = m_preferences->graphHistoryDuration();
    m_graphSamplingRate = m_preferences->graphSamplingRate();
    m_graphRefreshRate = m_preferences->graphRefreshRate();
    m_networkGraph->setTimeWindow(m_graphTimeWindow);
    if (m_networkMonitor) {
        m_networkMonitor->stopMonitoring();
        delete m_networkMonitor;
    }
    m_networkMonitor = new NetworkInterfaceMonitor(m_sources.shareManager.get(),
                                                   std::max(minimumIntervalSeconds, m_graphSamplingRate),
                                                   m_graphTimeWindow, this);
    m_availableInterfaces.clear();
    for (const InterfaceChoice &choice : m_sources.shareManager->listAvailableInterfaces())
        m_availableInterfaces.append({choice.id, choice.name});
    m_interfaceSelector->setAvailableInterfaces(m_availableInterfaces);
    if (m_selectedMonitorInterface.isEmpty()) {
        m_selectedMonitorInterface = m_sources.shareManager->getDefaultRouteInterface();
        qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Setting default network interface to: ")
                                  + m_selectedMonitorInterface;
    }
    m_interfaceSelector->setSelectedInterface(m_selectedMonitorInterface);
    connect(m_interfaceSelector, &InterfaceSelector::selectedInterfaceChanged, this, &MainScreen::selectMonitorInterface,
            Qt::UniqueConnection);
    qCDebug(lcUi).noquote() << QStringLiteral("MainScreen: setupNetworkMonitoring completed");
}

void MainScreen::startNetworkGraph()
{
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Traffic graph started");
    if (!m_selectedMonitorInterface.isEmpty() && m_sources.monitorTraffic) {
        qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Starting monitoring for interface: ")
                                  + m_selectedMonitorInterface;
        m_networkMonitor->startMonitoring(m_selectedMonitorInterface);
    }
    startGraphTimer();
    refreshGraphScale();
}

void MainScreen::stopNetworkGraph()
{
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Traffic graph stopped");
    if (m_networkMonitor)
        m_networkMonitor->stopMonitoring();
    m_trafficFeed->stop();
}

void MainScreen::startGraphTimer()
{
    m_trafficFeed->setMonitor(m_networkMonitor);
    m_trafficFeed->start(int(std::max(minimumIntervalSeconds, m_graphRefreshRate) * 1000));
}

void MainScreen::selectMonitorInterface(const QString &interfaceID)
{
    m_selectedMonitorInterface = interfaceID;
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Interface changed to: ") + interfaceID;
    if (interfaceID.isEmpty() || !m_sources.monitorTraffic)
        return;
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Restarting monitoring with new interface");
    m_networkMonitor->stopMonitoring();
    qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Now starting monitoring with interface: ") + interfaceID;
    m_networkMonitor->startMonitoring(interfaceID);
}

void MainScreen::developerSettingsChanged()
{
    if (!m_preferences)
        return;
    const double historyDuration = m_preferences->graphHistoryDuration();
    const bool historyChanged = historyDuration != m_graphTimeWindow;
    m_graphTimeWindow = historyDuration;
    m_graphSamplingRate = m_preferences->graphSamplingRate();
    m_graphRefreshRate = m_preferences->graphRefreshRate();
    m_networkGraph->setTimeWindow(m_graphTimeWindow);
    if (historyChanged) {
        qCInfo(lcUi).noquote() << QStringLiteral("MainScreen: Graph history duration changed to: ") + logNumber(historyDuration)
                                  + QStringLiteral(" seconds");
        m_networkMonitor->stopMonitoring();
        delete m_networkMonitor;
        m_networkMonitor = new NetworkInterfaceMonitor(m_sources.shareManager.get(),
                                                       std::max(minimumIntervalSeconds, m_graphSamplingRate),
                                                       historyDuration, this);
        if (!m_selectedMonitorInterface.isEmpty() && m_sources.monitorTraffic)
            m_networkMonitor->startMonitoring(m_selectedMonitorInterface);
    }
    startGraphTimer();
}

double MainScreen::currentGraphMaximum() const
{
    std::optional<int> linkSpeedMbps;
    if (m_selectedShareDetails && m_selectedShareDetails->cachedInterfaceInfo)
        linkSpeedMbps = m_selectedShareDetails->cachedInterfaceInfo->speedMbps;
    return graphMaximum(linkSpeedMbps);
}

void MainScreen::refreshGraphScale()
{
    m_networkGraph->setMaxY(currentGraphMaximum());
}

} // namespace trevlamark
