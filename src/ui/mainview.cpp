#include "ui/mainview.h"

#include "app/appviewmodel.h"
#include "app/console.h"
#include "discovery/sharemanager.h"
#include "platform/platformpaths.h"
#include "ui/themecolors.h"

#include <QDir>
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
#include <QToolButton>
#include <QVBoxLayout>

namespace trevlamark {

namespace {
std::optional<QString> pickFolderWithDialog(QWidget *parent, const QString &message, const QString &startFolder)
{
    QFileDialog dialog(parent, message, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QLabel *sectionTitle(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    label->setFont(font);
    return label;
}
} // namespace

MainView::MainView(AppViewModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_shareManager(std::make_unique<ShareManager>())
    , m_folderPicker([this](const QString &message, const QString &startFolder) {
        return pickFolderWithDialog(window(), message, startFolder);
    })
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(16);

    auto *header = new QHBoxLayout;
    auto *logo = new QLabel(content);
    logo->setPixmap(QIcon::fromTheme(QStringLiteral("utilities-system-monitor"),
                                     style()->standardIcon(QStyle::SP_ComputerIcon))
                        .pixmap(40, 40));
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
    m_settingsButton = new QPushButton(QIcon::fromTheme(QStringLiteral("preferences-system"),
                                                        style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
                                       QStringLiteral("Settings"), content);
    connect(m_settingsButton, &QPushButton::clicked, this, &MainView::settingsRequested);
    header->addWidget(m_settingsButton, 0, Qt::AlignTop);
    layout->addLayout(header);

    layout->addWidget(sectionTitle(QStringLiteral("Test Location"), content));
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
    texts->addWidget(m_locationName);
    texts->addWidget(m_locationPath);
    cardLayout->addLayout(texts, 1);
    m_folderButton = new QToolButton(locationCard);
    m_folderButton->setIcon(QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    m_folderButton->setToolTip(QStringLiteral("Choose a folder to test"));
    m_folderButton->setAutoRaise(true);
    connect(m_folderButton, &QToolButton::clicked, this, &MainView::showCustomFolderPicker);
    cardLayout->addWidget(m_folderButton, 0, Qt::AlignVCenter);
    m_openTestButton = new QPushButton(QStringLiteral("Open Test"), locationCard);
    m_openTestButton->setObjectName(QStringLiteral("openTestButton"));
    connect(m_openTestButton, &QPushButton::clicked, this, &MainView::openTest);
    cardLayout->addWidget(m_openTestButton, 0, Qt::AlignVCenter);
    layout->addWidget(locationCard);
    layout->addStretch();

    scroll->setWidget(content);
    outer->addWidget(scroll);

    Console::print(QStringLiteral("MainView: MainView.onAppear called"));
    m_selectedLocation = viewModel->selectedLocation();
    if (m_selectedLocation.isEmpty()) {
        m_selectedLocation = defaultTestLocation();
        m_selectedShareName = QLatin1String(defaultLocationName);
    } else {
        m_isNetworkLocation = NetworkShare::isNetworkVolume(m_selectedLocation);
        m_selectedShareName = m_selectedLocation == defaultTestLocation() ? QLatin1String(defaultLocationName)
                                                                           : QLatin1String(customLocationName);
    }
    refreshLocation();
}

MainView::~MainView()
{
    Console::print(QStringLiteral("MainView: Cleaned up resources"));
}

QString MainView::defaultTestLocation()
{
    return PlatformPaths::testDataDirectory();
}

void MainView::showCustomFolderPicker()
{
    const QString start = m_selectedLocation.isEmpty() ? defaultTestLocation() : m_selectedLocation;
    if (const auto folder = m_folderPicker(QStringLiteral("Please select a folder for performance testing"), start))
        selectLocation(*folder, QLatin1String(customLocationName));
}

void MainView::selectLocation(const QString &path, const QString &proposedName)
{
    m_selectedLocation = path;
    m_viewModel->setSelectedLocation(path);
    // The default location's name must not stick to a folder picked later.
    if (m_selectedShareName.isEmpty() || m_selectedShareName == QLatin1String(customLocationName)
        || m_selectedShareName == QLatin1String(defaultLocationName)) {
        m_selectedShareName = proposedName.isEmpty() ? QFileInfo(path).fileName() : proposedName;
    }
    m_isNetworkLocation = NetworkShare::isNetworkVolume(path);
    m_selectedShareDetails.reset();
    if (m_isNetworkLocation) {
        Console::print(QStringLiteral("MainView: Network location detected at ") + path);
        for (const NetworkShare &share : m_shareManager->detectMountedShares()) {
            // A whole-component prefix: /mnt/share2 is not inside /mnt/share.
            if (path == share.mountPath || path.startsWith(QDir(share.mountPath).path() + QLatin1Char('/'))) {
                Console::print(QStringLiteral("MainView: Found matching share: ") + share.shareName);
                m_selectedShareDetails = share;
                break;
            }
        }
        if (!m_selectedShareDetails)
            Console::print(QStringLiteral("MainView: No matching share found for ") + path);
    }
    Console::print(QStringLiteral("MainView: Successfully selected: ") + path);
    refreshLocation();
}

void MainView::openTest()
{
    if (m_selectedLocation.isEmpty())
        return;
    std::optional<NetworkInterfaceInfo> interfaceInfo;
    if (m_selectedShareDetails) {
        if (m_selectedShareDetails->cachedInterfaceInfo)
            interfaceInfo = m_selectedShareDetails->cachedInterfaceInfo;
        else if (m_selectedShareDetails->interfaceID)
            interfaceInfo = m_shareManager->interfaceInfo(*m_selectedShareDetails->interfaceID);
    }
    m_viewModel->navigateToPerformanceTest(m_selectedLocation, m_isNetworkLocation, m_selectedShareDetails,
                                           interfaceInfo, m_shareManager.get());
}

void MainView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refreshLocation();
}

void MainView::refreshLocation()
{
    const bool chosen = !m_selectedLocation.isEmpty();
    const QIcon icon = m_isNetworkLocation
                           ? QIcon::fromTheme(QStringLiteral("network-server"),
                                              style()->standardIcon(QStyle::SP_DriveNetIcon))
                           : QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                              style()->standardIcon(QStyle::SP_DriveHDIcon));
    m_locationIcon->setPixmap(icon.pixmap(28, 28));
    m_locationName->setText(chosen ? m_selectedShareName : QStringLiteral("No location selected"));
    QString path = m_selectedLocation;
    if (m_isNetworkLocation && m_selectedShareDetails && m_selectedShareDetails->interfaceID) {
        QString line = QStringLiteral("Interface: ") + *m_selectedShareDetails->interfaceID;
        const auto &info = m_selectedShareDetails->cachedInterfaceInfo;
        if (info && info->isWifi)
            line += QStringLiteral(" Wi-Fi");
        else if (info && info->speed)
            line += QStringLiteral(" Speed: ") + *info->speed;
        path += QLatin1Char('\n') + line;
    }
    m_locationPath->setText(path);
    m_openTestButton->setEnabled(chosen);
    const QColor background = chosen ? ThemeColors::cool(this) : palette().color(QPalette::PlaceholderText);
    m_openTestButton->setStyleSheet(QStringLiteral("QPushButton#openTestButton { background: %1; color: white; "
                                                   "border: none; border-radius: 6px; padding: 6px 16px; }")
                                        .arg(background.name()));
}

} // namespace trevlamark
