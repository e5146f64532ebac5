#pragma once
// The application's own actions beside its screens: window set-up at launch,
// the developer options, the Settings window on the one preferences object,
// the reset of the application's data and the sweep of test directories when
// the program quits.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace trevlamark {

class AlertPresenter;
class PreferencesManager;
class RunRecorder;
class ShareManager;

class AppController : public QObject
{
    Q_OBJECT

public:
    // Mount paths of the network shares mounted now, in detection order.
    using MountedSharePaths = std::function<QStringList()>;

    AppController(AlertPresenter *alertPresenter, PreferencesManager *preferences, QObject *parent = nullptr);
    ~AppController() override;
    Q_DISABLE_COPY_MOVE(AppController)

    ShareManager *shareManager() const { return m_shareManager.get(); }
    // Saves the window's finished runs in the history.
    RunRecorder *runRecorder() const { return m_runRecorder; }
    // Replaces the detection of mounted shares the sweeps use (tests mount nothing).
    void setMountedSharePathsSource(MountedSharePaths source) { m_mountedSharePaths = std::move(source); }

    // Runs the developer options first when Alt is among the modifiers, then
    // sizes and centres the main window and records the first launch.
    void launch(QWidget *mainWindow, Qt::KeyboardModifiers modifiers);
    // The Settings window over the window, editing the shared preferences;
    // the menu command and the main screen's button both open it.
    QWidget *showPreferences(QWidget *window);

    void showDeveloperModeOptions();
    void enableDeveloperMode();
    void confirmResetApplicationState();
    // Removes the application's data off the window's thread, then says how
    // it went; terminationRequested() follows when all went.
    void resetApplicationState();
    // Sweeps every mounted share's mount path and the test data folder, each
    // on a thread of its own, for at most sweepLimitSeconds; the sweeps of
    // locations that have not answered by then go on alone.
    void sweepAllTestDirectories();

    // A share that does not answer by then keeps its leftovers until a later sweep.
    static constexpr double sweepLimitSeconds = 5;

    static constexpr int minimumWindowWidth = 600;
    static constexpr int minimumWindowHeight = 750;

signals:
    // The reset is done and the application should quit.
    void terminationRequested();

private:
    // The removals after the preferences were cleared, and the sweep.
    void finishReset();
    void presentResetFailure(const QString &description);
    // Removes the leftover test directories directly inside each mount path and the test data folder.
    static void sweepTestDirectories(const QStringList &mountPaths);
    void sweepAtQuit();
    void setUpMainWindow(QWidget *window);

    AlertPresenter *m_alertPresenter;
    PreferencesManager *m_preferences;
    std::unique_ptr<ShareManager> m_shareManager;
    MountedSharePaths m_mountedSharePaths;
    RunRecorder *m_runRecorder;
};

} // namespace trevlamark
