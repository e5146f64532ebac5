#include "ui/app/mainwindow.h"

#include "ui/app/navigation.h"
#include "ui/app/appcontroller.h"
#include "ui/app/runrecorder.h"
#include "engine/performancetestmanager.h"
#include "ui/mainscreen/mainscreen.h"
#include "ui/testscreen/testscreen.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QShowEvent>
#include <QTimer>

namespace trevlamark {

MainWindow::MainWindow(Navigation *navigation, PreferencesManager *preferences, AppController *controller,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_navigation(navigation)
    , m_preferences(preferences)
    , m_controller(controller)
{
    setWindowTitle(QStringLiteral("Trevlamark"));
    setMinimumSize(AppController::minimumWindowWidth, AppController::minimumWindowHeight);
    QMenu *appMenu = menuBar()->addMenu(QStringLiteral("&Trevlamark"));
    m_settingsAction = appMenu->addAction(QStringLiteral("Settings..."));
    // Ctrl+, everywhere; the platform's own Preferences key too where it has one.
    QList<QKeySequence> shortcuts{QKeySequence(Qt::CTRL | Qt::Key_Comma)};
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Preferences)) {
        if (!shortcuts.contains(key))
            shortcuts.append(key);
    }
    m_settingsAction->setShortcuts(shortcuts);
    m_settingsAction->setMenuRole(QAction::PreferencesRole);
    connect(m_settingsAction, &QAction::triggered, this, [this] { m_controller->showPreferences(this); });
    appMenu->addSeparator();
    QAction *quit = appMenu->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);

    connect(navigation, &Navigation::currentScreenChanged, this, &MainWindow::showCurrentScreen);
    showCurrentScreen();
}

void MainWindow::showCurrentScreen()
{
    const bool wantsTest = m_navigation->currentScreen() == Screen::test && m_navigation->testParameters();
    if (wantsTest && m_testScreen)
        return;
    if (!wantsTest && m_mainScreen)
        return;
    // The old screen goes first, so the test screen's cleanup runs before the
    // main screen appears.
    delete centralWidget();
    if (wantsTest) {
        m_testScreen = new TestScreen(*m_navigation->testParameters(), m_preferences, this);
        connect(m_testScreen, &TestScreen::closeRequested, m_navigation, &Navigation::openMain);
        connect(m_testScreen, &TestScreen::runFinished, m_controller,
            [this](const TestRequest &request, const PerformanceTestResult &result) {
                m_controller->runRecorder()->record(request, result, m_testScreen->engine()->streamResults(),
                    m_testScreen->engine()->timelineMarkers());
            });
        setCentralWidget(m_testScreen);
    } else {
        m_mainScreen = new MainScreen(m_navigation, m_preferences, this);
        connect(m_mainScreen, &MainScreen::settingsRequested, this, [this] { m_controller->showPreferences(this); });
        setCentralWidget(m_mainScreen);
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_hasBeenShown)
        return;
    m_hasBeenShown = true;
    QTimer::singleShot(100, this, [] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isWindow() && qobject_cast<MainWindow *>(window))
                window->resize(AppController::minimumWindowWidth, window->height());
        }
    });
}

} // namespace trevlamark
