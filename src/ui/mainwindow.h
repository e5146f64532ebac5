#pragma once
// The one main window: shows the main screen or the test screen as the
// navigation model says, and carries the "Settings..." menu command.

#include <QMainWindow>
#include <QPointer>

#include "ui/mainview.h"
#include "ui/performancetestview.h"

class QAction;

namespace trevlamark {

class AppDelegate;
class AppViewModel;
class PreferencesManager;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(AppViewModel *viewModel, PreferencesManager *preferences, AppDelegate *delegate,
               QWidget *parent = nullptr);

    MainView *mainView() const { return m_mainView; }
    PerformanceTestView *testView() const { return m_testView; }
    QAction *settingsAction() const { return m_settingsAction; }
    // The preferences sheet of the main screen, on the shared preferences.
    QWidget *showPreferencesSheet();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showCurrentView();

    AppViewModel *m_viewModel;
    PreferencesManager *m_preferences;
    AppDelegate *m_delegate;
    QPointer<MainView> m_mainView;
    QPointer<PerformanceTestView> m_testView;
    QAction *m_settingsAction = nullptr;
    bool m_hasBeenShown = false;
};

} // namespace trevlamark
