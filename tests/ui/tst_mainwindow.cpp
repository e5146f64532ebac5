#include "settings/appnotifier.h"
#include "ui/appviewmodel.h"
#include "settings/preferencesmanager.h"
#include "scriptedalertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/appearancecontroller.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/gauges/gaugepanel.h"
#include "ui/graphstate.h"
#include "ui/mainwindow.h"
#include "ui/performancetestview.h"
#include "ui/testconfiguration.h"
#include "ui/testexecutionstate.h"
#include "ui/testprogress.h"
#include "ui/preferencesview.h"
#include "ui/themecolors.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

namespace {

// The application's window with what main() gives it, alerts answered by script.
struct Desktop
{
    ScriptedAlertPresenter alerts;
    AppDelegate delegate{&alerts};
    PreferencesManager preferences;
    AppViewModel model;
    MainWindow window{&model, &preferences, &delegate};
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("XDG_CONFIG_HOME").contains(QLatin1String("/tests/home/")))
            QSKIP("Run through ctest, which points HOME and XDG_* into the build tree");
    }

    void openTestThenBackSweepsTheLocation()
    {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath(QStringLiteral("Trevlamark_Test_Data_1700000000"));
        Desktop desktop;
        desktop.delegate.setMountedSharePathsSource([] { return QStringList(); });
        MainWindow &window = desktop.window;
        window.show();
        QVERIFY(window.mainView());
        QCOMPARE(window.minimumSize(), QSize(600, 750));

        window.mainView()->selectLocation(folder.path(), QString());
        QTest::mouseClick(window.mainView()->openTestButton(), Qt::LeftButton);
        QVERIFY(window.testView());
        QCOMPARE(window.centralWidget(), window.testView());
        QTRY_VERIFY(!window.mainView());

        QTest::mouseClick(window.testView()->backButton(), Qt::LeftButton);
        QCOMPARE(desktop.model.currentView(), AppView::main);
        QVERIFY(desktop.model.testParameters().has_value());
        QTRY_VERIFY(window.mainView());
        QTRY_VERIFY(!window.testView());
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        QCOMPARE(window.mainView()->selectedLocation(), folder.path());
    }

    void testScreenFitsTheSmallestWindowWithoutSidewaysScrolling()
    {
        QTemporaryDir folder;
        Desktop desktop;
        desktop.delegate.setMountedSharePathsSource([] { return QStringList(); });
        MainWindow &window = desktop.window;
        window.resize(window.minimumSize());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.mainView()->selectLocation(folder.path(), QString());
        window.mainView()->openTest();
        QTRY_VERIFY(window.testView());
        auto *scrollArea = window.testView()->findChild<QScrollArea *>();
        QVERIFY(scrollArea);
        QTRY_COMPARE(scrollArea->widget()->width(), scrollArea->viewport()->width());
        QVERIFY(!scrollArea->horizontalScrollBar()->isVisible());
        QCOMPARE(scrollArea->horizontalScrollBar()->maximum(), 0);
    }

    void testViewWithoutParametersShowsMain()
    {
        Desktop desktop;
        MainWindow &window = desktop.window;
        desktop.model.setCurrentView(AppView::performanceTest);
        QVERIFY(window.mainView());
        QVERIFY(!window.testView());
    }

    void settingsMenuAndSheet()
    {
        Desktop desktop;
        MainWindow &window = desktop.window;
        QVERIFY(window.settingsAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Comma)));
        QCOMPARE(window.settingsAction()->text(), QStringLiteral("Settings..."));
        const auto before = QApplication::topLevelWidgets().size();
        window.settingsAction()->trigger();
        window.settingsAction()->trigger();
        int settingsWindows = 0;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<PreferencesView *>(widget)) {
                ++settingsWindows;
                widget->close();
            }
        }
        QCOMPARE(settingsWindows, 2);
        QVERIFY(QApplication::topLevelWidgets().size() >= before);

        QWidget *sheet = window.showPreferencesSheet();
        auto *view = sheet->findChild<PreferencesView *>();
        QVERIFY(view);
        QTest::mouseClick(view->cancelButton(), Qt::LeftButton);
        QTRY_VERIFY(!sheet->isVisible());
    }

    void appearanceFollowsTheNotification()
    {
        AppearanceController appearance;
        appearance.apply(AppearanceMode::Light);
        QVERIFY(!ThemeColors::isDark(QApplication::palette()));
        emit AppNotifier::instance().appearanceModeChanged(AppearanceMode::Dark);
        QVERIFY(ThemeColors::isDark(QApplication::palette()));
        QCOMPARE(appearance.mode(), AppearanceMode::Dark);
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
        emit AppNotifier::instance().appearanceModeChanged(AppearanceMode::Light);
        QVERIFY(!ThemeColors::isDark(QApplication::palette()));
    }

    // Renders the window in its states, light and dark, for scripts/screenshots.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("Set TREVLAMARK_SCREENSHOT_DIR to render the screenshots");
        QDir().mkpath(folder);
        AppearanceController appearance;
        const auto grabBoth = [&](QWidget *widget, const QString &name) {
            for (const AppearanceMode mode : {AppearanceMode::Light, AppearanceMode::Dark}) {
                appearance.apply(mode);
                QApplication::processEvents();
                const QString suffix = mode == AppearanceMode::Light ? QStringLiteral("-light.png")
                                                                     : QStringLiteral("-dark.png");
                QVERIFY(widget->grab().save(QDir(folder).filePath(name + suffix)));
            }
        };

        QTemporaryDir location;
        Desktop desktop;
        desktop.delegate.setMountedSharePathsSource([] { return QStringList(); });
        MainWindow &window = desktop.window;
        window.resize(600, 900);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        grabBoth(&window, QStringLiteral("app-main"));

        window.mainView()->selectLocation(location.path(), QString());
        window.mainView()->openTest();
        QTRY_VERIFY(window.testView());
        PerformanceTestView *view = window.testView();
        // Let the new screen lay itself out before it is captured.
        auto *scrollArea = view->findChild<QScrollArea *>();
        QTRY_COMPARE(scrollArea->widget()->width(), scrollArea->viewport()->width());
        grabBoth(&window, QStringLiteral("app-test-idle"));

        view->configuration()->setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
        view->configuration()->setCustomBytesValue(quint64(1) << 30);
        view->configuration()->setQueueDepth(4);
        view->configuration()->setTotalCycles(2);
        view->startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view->progress()->overallProgress() > 0.3, 60000);
        grabBoth(&window, QStringLiteral("app-test-running"));
        view->stopTest();
        QTRY_VERIFY_WITH_TIMEOUT(view->executionState()->isPostTestView(), 60000);
        grabBoth(&window, QStringLiteral("app-test-results"));

        PreferencesView *settings = desktop.delegate.showPreferences();
        grabBoth(settings, QStringLiteral("app-settings-window"));
        settings->close();
        QWidget *sheet = window.showPreferencesSheet();
        grabBoth(sheet, QStringLiteral("app-settings-sheet"));
        sheet->close();
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
