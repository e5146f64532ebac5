// The desktop application: one window with the main screen and the test
// screen, the Settings windows, and the sweep of test directories at quit.

#include "ui/app/navigation.h"
#include "settings/preferencesmanager.h"
#include "platform/detachedthreads.h"
#include "settings/logswitches.h"
#include "ui/app/alertpresenter.h"
#include "ui/app/appcontroller.h"
#include "ui/app/appearancecontroller.h"
#include "ui/app/mainwindow.h"

#include <QApplication>
#include <QIcon>

using namespace trevlamark;

// Not in an anonymous namespace: Q_INIT_RESOURCE declares the resource's
// initialiser where it is used.
static int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trevlamark"));
    QApplication::setApplicationVersion(QStringLiteral(TREVLAMARK_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("qormix.com"));
    QGuiApplication::setDesktopFileName(QStringLiteral("trevlamark"));
    // Console lines stay on standard output; the log takes the saved switches.
    LogSwitches::apply();
    Q_INIT_RESOURCE(trevlamark);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/trevlamark.svg")));

    MessageBoxAlertPresenter alerts;
    PreferencesManager preferences;
    AppController controller(&alerts, &preferences);
    QObject::connect(&controller, &AppController::terminationRequested, &app, &QApplication::quit,
                     Qt::QueuedConnection);

    Navigation navigation;
    AppearanceController appearance;
    appearance.apply(preferences.appearanceMode());
    QObject::connect(&preferences, &PreferencesManager::saved, &appearance,
                     [&] { appearance.apply(preferences.appearanceMode()); });

    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    MainWindow window(&navigation, &preferences, &controller);
    alerts.setParentWindow(&window);
    window.show();
    controller.launch(&window, modifiers);
    return QApplication::exec();
}

int main(int argc, char *argv[])
{
    return DetachedThreads::finishProcess(runApplication(argc, argv));
}
