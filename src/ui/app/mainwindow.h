#pragma once
// The one main window: shows the main screen or the test screen as the
// navigation says, and carries the "Settings..." menu command.

#include <QMainWindow>
#include <QPointer>

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

    MainScreen *mainScreen() const { return m_mainScreen; }
    TestScreen *testScreen() const { return m_testScreen; }
    QAction *settingsAction() const { return m_settingsAction; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCurrentScreen();

    Navigation *m_navigation;
    PreferencesManager *m_preferences;
    AppController *m_controller;
    QPointer<MainScreen> m_mainScreen;
    QPointer<TestScreen> m_testScreen;
    QAction *m_settingsAction = nullptr;
    bool m_hasBeenShown = false;
};

} // namespace trevlamark
