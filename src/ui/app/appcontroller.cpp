#include "ui/app/appcontroller.h"

#include "platform/detachedthreads.h"
#include "platform/logcategories.h"
#include "settings/logswitches.h"
#include "settings/preferencesmanager.h"
#include "engine/testdirectory.h"
#include "discovery/sharemanager.h"
#include "platform/platformpaths.h"
#include "platform/preferencestore.h"
#include "ui/app/alertpresenter.h"
#include "ui/app/preferencespanel.h"
#include "ui/app/runrecorder.h"
#include "ui/common/backgroundtask.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>
#include <future>
#include <vector>

namespace trevlamark {

namespace {
QString removalFailure(const QString &path)
{
    return QStringLiteral("“%1” couldn’t be removed.").arg(QFileInfo(path).fileName());
}

// What a reset removes before the preferences are cleared; why it could not, or empty.
QString removeDataAndPreferencesFile(const QString &supportDirectory, const QString &settingsFile)
{
    if (QFileInfo::exists(supportDirectory)) {
        if (!QDir(supportDirectory).removeRecursively())
            return removalFailure(supportDirectory);
        qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Successfully deleted application data directory");
    }
    if (QFileInfo::exists(settingsFile)) {
        QFile file(settingsFile);
        if (!file.remove())
            return file.errorString();
        qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Successfully deleted preferences file");
    }
    return QString();
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
} // namespace

AppController::AppController(AlertPresenter *alertPresenter, PreferencesManager *preferences, QObject *parent)
    : QObject(parent)
    , m_alertPresenter(alertPresenter)
    , m_preferences(preferences)
    , m_shareManager(std::make_unique<ShareManager>())
    , m_mountedSharePaths([] {
        // A share manager of its own, so the sweep sees the mounts as they are now.
        ShareManager shareManager;
        QStringList paths;
        for (const NetworkShare &share : shareManager.detectMountedShares())
            paths.append(share.mountPath);
        return paths;
    })
    , m_runRecorder(new RunRecorder(alertPresenter, this))
{
    qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Initializing app");
    // The sweep runs while the event loop winds down, before the process
    // exits, and waits a limited time for each location.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &AppController::sweepAtQuit);
}

AppController::~AppController() = default;

void AppController::launch(QWidget *mainWindow, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::AltModifier)
        showDeveloperModeOptions();
    if (mainWindow)
        setUpMainWindow(mainWindow);
}

void AppController::setUpMainWindow(QWidget *window)
{
    window->resize(minimumWindowWidth, minimumWindowHeight);
    centreOnScreen(window);
    window->setMinimumSize(minimumWindowWidth, minimumWindowHeight);
    const QString key = QLatin1String(PreferencesManager::hasLaunchedBeforeKey);
    if (!PreferenceStore::boolValue(key)) {
        window->resize(minimumWindowWidth, minimumWindowHeight);
        centreOnScreen(window);
        PreferenceStore::setValue(key, true);
    }
}

QWidget *AppController::showPreferences(QWidget *window)
{
    auto *sheet = new QDialog(window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(QStringLiteral("Settings"));
    sheet->setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(sheet);
    auto *panel = new PreferencesPanel(m_preferences, sheet);
    layout->addWidget(panel);
    connect(panel, &PreferencesPanel::closeRequested, sheet, &QDialog::close);
    // Asked once the sheet has gone, so the confirmation stands alone.
    connect(panel, &PreferencesPanel::resetRequested, this, [this] {
        QTimer::singleShot(PreferencesPanel::resetConfirmationDelayMilliseconds, this,
                           &AppController::confirmResetApplicationState);
    });
    sheet->resize(420, 520);
    sheet->open();
    return sheet;
}

void AppController::showDeveloperModeOptions()
{
    const int choice = m_alertPresenter->present(
        {Alert::Style::Informational, QStringLiteral("Developer Mode Options"),
         QStringLiteral("You have launched Trevlamark while holding the Alt key. What would you like to do?"),
         {QStringLiteral("Enable Developer Mode"), QStringLiteral("Reset Application State"), QStringLiteral("Both"),
          QStringLiteral("Cancel")}});
    switch (choice) {
    case 0: enableDeveloperMode(); break;
    case 1: confirmResetApplicationState(); break;
    case 2:
        enableDeveloperMode();
        confirmResetApplicationState();
        break;
    default: break;
    }
}

void AppController::enableDeveloperMode()
{
    PreferenceStore::setValue(QLatin1String(PreferencesManager::developerModeKey), true);
    m_alertPresenter->present({Alert::Style::Informational, QStringLiteral("Developer Mode Enabled"),
                               QStringLiteral("Developer mode has been enabled for this session. Please restart the "
                                              "application to apply these changes."),
                               {QStringLiteral("OK")}});
}

void AppController::confirmResetApplicationState()
{
    const int choice = m_alertPresenter->present(
        {Alert::Style::Warning, QStringLiteral("Reset Application State"),
         QStringLiteral("This will delete all application data in the Library directory. This action cannot be "
                        "undone. Are you sure you want to proceed?"),
         {QStringLiteral("Reset"), QStringLiteral("Cancel")}});
    if (choice == 0)
        resetApplicationState();
}

void AppController::resetApplicationState()
{
    // The removals run off the window's thread, in two steps around the
    // preferences, which are cleared here: the log folder goes only after the
    // cleared switches have stopped the log.
    BackgroundTask::run<QString>(
        this,
        [supportDirectory = PlatformPaths::applicationSupportDirectory(), settingsFile = PreferenceStore::filePath()] {
            return removeDataAndPreferencesFile(supportDirectory, settingsFile);
        },
        [this](const QString &failure) {
            if (!failure.isEmpty())
                return presentResetFailure(failure);
            PreferenceStore::clear();
            // The log switches went with the preferences: nothing more is logged until they are set again.
            LogSwitches::apply();
            qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Successfully reset preferences");
            finishReset();
        });
}

void AppController::finishReset()
{
    BackgroundTask::run<QString>(
        this,
        [logDirectory = PlatformPaths::logDirectory(), mountedSharePaths = m_mountedSharePaths] {
            if (QFileInfo::exists(logDirectory)) {
                if (!QDir(logDirectory).removeRecursively())
                    return removalFailure(logDirectory);
                qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Successfully deleted log files");
            }
            qCDebug(lcUi).noquote() << QStringLiteral("AppController: Logging existing test directories...");
            // A share that does not answer keeps its leftovers: the reset goes on without it.
            sweepTestDirectories(mountedSharePaths());
            return QString();
        },
        [this](const QString &failure) {
            if (!failure.isEmpty())
                return presentResetFailure(failure);
            m_alertPresenter->present({Alert::Style::Informational, QStringLiteral("Application State Reset"),
                                       QStringLiteral("All application data has been successfully deleted. The "
                                                      "application will now quit."),
                                       {QStringLiteral("OK")}});
            emit terminationRequested();
        });
}

void AppController::presentResetFailure(const QString &description)
{
    m_alertPresenter->present({Alert::Style::Critical, QStringLiteral("Error Resetting Application State"),
                               QStringLiteral("An error occurred while trying to delete application data: ")
                                   + description,
                               {QStringLiteral("OK")}});
}

void AppController::sweepAllTestDirectories()
{
    sweepTestDirectories(m_mountedSharePaths());
}

void AppController::sweepTestDirectories(const QStringList &mountPaths)
{
    // A share that stopped answering holds its sweep in the kernel: each
    // location has a thread of its own, so one dead share neither keeps the
    // others from being swept nor holds the quit. The program's exit waits a
    // while longer for what is still running.
    const QStringList locations = mountPaths + QStringList{PlatformPaths::testDataDirectory()};
    std::vector<std::shared_future<void>> sweeps;
    for (const QString &location : locations) {
        auto swept = std::make_shared<std::promise<void>>();
        sweeps.push_back(swept->get_future().share());
        DetachedThreads::start([location, swept] {
            TestDirectory::sweep(location);
            swept->set_value();
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(sweepLimitSeconds);
    for (std::size_t i = 0; i < sweeps.size(); ++i) {
        if (sweeps.at(i).wait_until(deadline) != std::future_status::ready)
            qCWarning(lcUi).noquote() << QStringLiteral("AppController: %1 did not answer within %2 seconds; its test "
                                                        "directories are left for a later sweep")
                                             .arg(locations.at(qsizetype(i)))
                                             .arg(sweepLimitSeconds);
    }
}

void AppController::sweepAtQuit()
{
    qCInfo(lcConsole).noquote() << QStringLiteral("AppController: Application will terminate");
    qCDebug(lcUi).noquote() << QStringLiteral("AppController: Logging existing test directories...");
    sweepAllTestDirectories();
}

} // namespace trevlamark
