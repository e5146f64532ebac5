#pragma once
// The application frame's delegate: window set-up at launch, the developer
// options, the Settings windows, the reset of the application's data and the
// sweep of test directories when the program quits.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace trevlamark {

class AlertPresenter;
class PreferencesView;
class ShareManager;

class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // Mount paths of the network shares mounted now, in detection order.
    using MountedSharePaths = std::function<QStringList()>;

    explicit AppDelegate(AlertPresenter *alertPresenter, QObject *parent = nullptr);
    ~AppDelegate() override;
    Q_DISABLE_COPY_MOVE(AppDelegate)

    // The process-wide delegate, or null when none exists (tests, shutdown).
    static AppDelegate *shared();

    ShareManager *shareManager() const { return m_shareManager.get(); }
    // Replaces the detection of mounted shares the sweeps use (tests mount nothing).
    void setMountedSharePathsSource(MountedSharePaths source) { m_mountedSharePaths = std::move(source); }

    // Runs the developer options first when Alt is among the modifiers, then
    // sizes and centres the main window and records the first launch.
    void applicationDidFinishLaunching(QWidget *mainWindow, Qt::KeyboardModifiers modifiers);
    // Every call opens another Settings window with its own preferences object.
    PreferencesView *showPreferences();

    void showDeveloperModeOptions();
    void enableDeveloperMode();
    void confirmResetApplicationState();
    void resetApplicationState();
    // Removes the leftover test directories directly inside the location.
    void cleanupTestDirectories(const QString &location);
    // Sweeps every mounted share's mount path, then the test data folder.
    void sweepAllTestDirectories();

    static constexpr int minimumWindowWidth = 600;
    static constexpr int minimumWindowHeight = 750;

signals:
    // The reset is done and the application should quit.
    void terminationRequested();

private:
    void applicationWillTerminate();
    void setUpMainWindow(QWidget *window);

    AlertPresenter *m_alertPresenter;
    std::unique_ptr<ShareManager> m_shareManager;
    MountedSharePaths m_mountedSharePaths;
};

} // namespace trevlamark
