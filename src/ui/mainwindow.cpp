#include "ui/mainwindow.h"

#include "ui/appviewmodel.h"
#include "ui/appdelegate.h"
#include "ui/mainview.h"
#include "ui/performancetestview.h"
#include "ui/preferencesview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace trevlamark {

MainWindow::MainWindow(AppViewModel *viewModel, PreferencesManager *preferences, AppDelegate *delegate,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_viewModel(viewModel)
    , m_preferences(preferences)
    , m_delegate(delegate)
{
    setWindowTitle(QStringLiteral("Trevlamark"));
    setMinimumSize(AppDelegate::minimumWindowWidth, AppDelegate::minimumWindowHeight);
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
    connect(m_settingsAction, &QAction::triggered, this, [this] { m_delegate->showPreferences(); });
    appMenu->addSeparator();
    QAction *quit = appMenu->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);

    connect(viewModel, &AppViewModel::currentViewChanged, this, &MainWindow::showCurrentView);
    showCurrentView();
}

void MainWindow::showCurrentView()
{
    const bool wantsTest = m_viewModel->currentView() == AppView::performanceTest && m_viewModel->testParameters();
    if (wantsTest && m_testView)
        return;
    if (!wantsTest && m_mainView)
        return;
    // The old screen goes first, so the test screen's cleanup runs before the
    // main screen appears.
    delete centralWidget();
    if (wantsTest) {
        m_testView = new PerformanceTestView(*m_viewModel->testParameters(), m_preferences, this);
        connect(m_testView, &PerformanceTestView::closeRequested, m_viewModel, &AppViewModel::navigateToMain);
        setCentralWidget(m_testView);
    } else {
        m_mainView = new MainView(m_viewModel, m_preferences, this);
        connect(m_mainView, &MainView::settingsRequested, this, &MainWindow::showPreferencesSheet);
        setCentralWidget(m_mainView);
    }
}

QWidget *MainWindow::showPreferencesSheet()
{
    auto *sheet = new QDialog(this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(QStringLiteral("Settings"));
    sheet->setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(sheet);
    auto *view = new PreferencesView(m_preferences, sheet);
    layout->addWidget(view);
    connect(view, &PreferencesView::closeRequested, sheet, &QDialog::close);
    sheet->resize(420, 520);
    sheet->open();
    return sheet;
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
                window->resize(AppDelegate::minimumWindowWidth, window->height());
        }
    });
}

} // namespace trevlamark
