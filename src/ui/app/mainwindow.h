#pragma once
// The one main window: shows the main, test or history screen as the
// navigation says, carries the "Settings..." and "History" menu commands,
// and holds the run history's store.

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "ui/history/historyscreen.h"
#include "ui/mainscreen/mainscreen.h"
#include "ui/testscreen/testscreen.h"

class QAction;

namespace trevlamark {

class AppController;
class Navigation;
class PreferencesManager;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(Navigation *navigation, PreferencesManager *preferences, AppController *controller,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    MainScreen *mainScreen() const { return m_mainScreen; }
    TestScreen *testScreen() const { return m_testScreen; }
    HistoryScreen *historyScreen() const { return m_historyScreen; }
    QAction *settingsAction() const { return m_settingsAction; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCurrentScreen();
    // The store the history setting names, not yet opened.
    static DatabaseLocation historyLocation();

    Navigation *m_navigation;
    PreferencesManager *m_preferences;
    AppController *m_controller;
    QPointer<MainScreen> m_mainScreen;
    QPointer<TestScreen> m_testScreen;
    QPointer<HistoryScreen> m_historyScreen;
    QAction *m_settingsAction = nullptr;
    bool m_hasBeenShown = false;
};

} // namespace trevlamark
