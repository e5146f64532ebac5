// The desktop application: one window with the main screen and the test
// screen, the Settings windows, and the sweep of test directories at quit.

#include "ui/appviewmodel.h"
#include "settings/preferencesmanager.h"
#include "platform/detachedthreads.h"
#include "settings/logswitches.h"
#include "ui/alertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/appearancecontroller.h"
#include "ui/mainwindow.h"

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
    AppDelegate delegate(&alerts);
    QObject::connect(&delegate, &AppDelegate::terminationRequested, &app, &QApplication::quit, Qt::QueuedConnection);

    PreferencesManager preferences;
    AppViewModel viewModel;
    AppearanceController appearance;
    appearance.apply(preferences.appearanceMode());

    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    MainWindow window(&viewModel, &preferences, &delegate);
    alerts.setParentWindow(&window);
    window.show();
    delegate.applicationDidFinishLaunching(&window, modifiers);
    return QApplication::exec();
}

int main(int argc, char *argv[])
{
    return DetachedThreads::finishProcess(runApplication(argc, argv));
}
