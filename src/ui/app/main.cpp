// The desktop application: one window with the main screen and the test
// screen, the Settings windows, and the sweep of test directories at quit.

#include "ui/app/navigation.h"
#include "settings/preferencesmanager.h"
#include "platform/detachedthreads.h"
#include "platform/logcategories.h"
#include "platform/signalwatcher.h"
#include "settings/logswitches.h"
#include "ui/app/alertpresenter.h"
#include "ui/app/appcontroller.h"
#include "ui/app/appearancecontroller.h"
#include "ui/app/mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <csignal>

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

    // A logout, a shutdown or Ctrl+C in the terminal quits like the Quit
    // command, so the quit sweep still runs. Watching starts before anything
    // else is set up; a signal during start-up waits in the pipe.
    SignalWatcher quitSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&quitSignals, &SignalWatcher::signalReceived, &app, [](int signalNumber) {
        qCInfo(lcConsole).noquote() << QStringLiteral("Received signal %1, quitting").arg(signalNumber);
        QApplication::quit();
    }, Qt::QueuedConnection);

    MessageBoxAlertPresenter alerts;
    PreferencesManager preferences;
    AppController controller(&alerts, &preferences);
    QObject::connect(&controller, &AppController::terminationRequested, &app, &QApplication::quit,
                     Qt::QueuedConnection);

    Navigation navigation;
    AppearanceController appearance;
    appearance.follow(&preferences);

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
