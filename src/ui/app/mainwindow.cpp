#include "ui/app/mainwindow.h"

#include "history/databaselocation.h"
#include "platform/logcategories.h"
#include "ui/app/navigation.h"
#include "ui/app/appcontroller.h"
#include "ui/app/runrecorder.h"
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
    QMenu *viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    QAction *history = viewMenu->addAction(QStringLiteral("History"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, navigation, &Navigation::openHistory);

    connect(navigation, &Navigation::currentScreenChanged, this, &MainWindow::showCurrentScreen);
    showCurrentScreen();
}

// The screens go before the store they may hold.
MainWindow::~MainWindow()
{
    delete centralWidget();
}

void MainWindow::showCurrentScreen()
{
    Screen wanted = m_navigation->currentScreen();
    if (wanted == Screen::test && !m_navigation->testParameters())
        wanted = Screen::main;
    if ((wanted == Screen::test && m_testScreen) || (wanted == Screen::main && m_mainScreen)
        || (wanted == Screen::history && m_historyScreen))
        return;
    // The old screen goes first, so the test screen's cleanup runs before the
    // next screen appears.
    delete centralWidget();
    switch (wanted) {
    case Screen::test:
        m_testScreen = new TestScreen(*m_navigation->testParameters(), m_preferences, this);
        connect(m_testScreen, &TestScreen::closeRequested, m_navigation, &Navigation::openMain);
        connect(m_testScreen, &TestScreen::runFinished, m_controller,
            [this](const TestRequest &request, const PerformanceTestResult &result) {
                m_controller->runRecorder()->record(request, result, m_testScreen->runStreamResults(),
                    m_testScreen->runTimelineMarkers());
            });
        connect(m_testScreen, &TestScreen::mediaRunFinished, m_controller,
            [this](const TestRequest &request, const PerformanceTestResult &result) {
                m_controller->runRecorder()->record(request, result, {}, {});
            });
        setCentralWidget(m_testScreen);
        break;
    case Screen::history:
        // Made afresh on each visit: the team database setting may have changed since the last.
        m_historyScreen = new HistoryScreen(historyLocation(), this);
        connect(m_historyScreen, &HistoryScreen::closeRequested, m_navigation, &Navigation::openMain);
        connect(m_historyScreen, &HistoryScreen::mediaTestRequested, this,
            [this](const TestParameters &parameters, const QString &format, int streams) {
                // After the history screen's own call has returned: the switch deletes it.
                QTimer::singleShot(0, this, [this, parameters, format, streams] {
                    m_navigation->openTest(parameters);
                    if (m_testScreen)
                        m_testScreen->openMediaTest(format, streams);
                });
            });
        setCentralWidget(m_historyScreen);
        break;
    case Screen::main:
        m_mainScreen = new MainScreen(m_navigation->selectedLocation(), m_preferences, this);
        connect(m_mainScreen, &MainScreen::testRequested, m_navigation, &Navigation::openTest);
        connect(m_mainScreen, &MainScreen::historyRequested, m_navigation, &Navigation::openHistory);
        connect(m_mainScreen, &MainScreen::selectedLocationChanged, m_navigation, &Navigation::setSelectedLocation);
        connect(m_mainScreen, &MainScreen::settingsRequested, this, [this] { m_controller->showPreferences(this); });
        setCentralWidget(m_mainScreen);
        break;
    }
}

DatabaseLocation MainWindow::historyLocation()
{
    QString errorText;
    const std::optional<DatabaseLocation> location = DatabaseLocation::resolve(QString(), &errorText);
    if (!location)
        qCWarning(lcUi).noquote() << "The run history setting is unusable, using the local file:" << errorText;
    return location.value_or(DatabaseLocation::defaultLocation());
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
