#include "settings/preferencesmanager.h"
#include "support/keptrun.h"
#include "support/leftover.h"
#include "support/scriptedalertpresenter.h"
#include "ui/app/appcontroller.h"
#include "ui/app/appearancecontroller.h"
#include "ui/app/mainwindow.h"
#include "ui/app/navigation.h"
#include "ui/app/preferencespanel.h"
#include "ui/app/runrecorder.h"
#include "ui/common/playsview.h"
#include "ui/common/themecolors.h"
#include "ui/history/historyscreen.h"
#include "ui/history/rundetailview.h"
#include "ui/history/runtablemodel.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/mediatestdialog.h"
#include "ui/testscreen/runstate.h"
#include "ui/testscreen/testscreen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

namespace {

// The application's window with what main() gives it, alerts answered by script.
struct Desktop
{
    Desktop() { controller.setMountedSharePathsSource([] { return QStringList(); }); }

    ScriptedAlertPresenter alerts;
    PreferencesManager preferences;
    AppController controller{&alerts, &preferences};
    Navigation navigation;
    MainWindow window{&navigation, &preferences, &controller};
};

PreferencesPanel *openPanel(QWidget *sheet)
{
    return sheet ? sheet->findChild<PreferencesPanel *>() : nullptr;
}

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
        QVERIFY(makeLeftover(folder.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        Desktop desktop;
        MainWindow &window = desktop.window;
        window.show();
        QVERIFY(window.mainScreen());
        QCOMPARE(window.minimumSize(), QSize(600, 750));

        window.mainScreen()->selectLocation(folder.path(), QString());
        QTest::mouseClick(window.mainScreen()->openTestButton(), Qt::LeftButton);
        QVERIFY(window.testScreen());
        QCOMPARE(window.centralWidget(), window.testScreen());
        QTRY_VERIFY(!window.mainScreen());

        QTest::mouseClick(window.testScreen()->backButton(), Qt::LeftButton);
        QCOMPARE(desktop.navigation.currentScreen(), Screen::main);
        QTRY_VERIFY(window.mainScreen());
        QTRY_VERIFY(!window.testScreen());
        QTRY_VERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        QCOMPARE(window.mainScreen()->selectedLocation(), folder.path());
    }

    // A run finished in the window is kept, and the History screen lists it first.
    void finishedRunIsKeptInTheHistory()
    {
        QTemporaryDir location;
        Desktop desktop;
        MainWindow &window = desktop.window;
        desktop.navigation.openHistory();
        QVERIFY(window.historyScreen());
        QTRY_VERIFY(!window.historyScreen()->isBusy());
        const int before = window.historyScreen()->model()->rowCount();
        desktop.navigation.openMain();
        QTRY_VERIFY(window.mainScreen());
        window.mainScreen()->selectLocation(location.path(), QString());
        window.mainScreen()->openTest();
        window.testScreen()->request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = quint64(8) << 20;
            request.totalCycles = 1;
        });
        QSignalSpy saved(desktop.controller.runRecorder(), &RunRecorder::saved);
        window.testScreen()->startTest();
        QVERIFY(saved.wait(60000));
        desktop.navigation.openHistory();
        QTRY_VERIFY(window.historyScreen());
        QTRY_VERIFY(!window.historyScreen()->isBusy());
        QCOMPARE(window.historyScreen()->model()->rowCount(), before + 1);
        QCOMPARE(window.historyScreen()->model()->run(0).locationPath, location.path());
    }

    // A kept run's Plays view opens the media test of its location, the format
    // chosen; a location that is gone is said so, and the History stays.
    void pacedTestFromAKeptRun_data()
    {
        QTest::addColumn<bool>("locationThere");
        QTest::newRow("folder there") << true;
        QTest::newRow("folder gone") << false;
    }

    void pacedTestFromAKeptRun()
    {
        QFETCH(bool, locationThere);
        QTemporaryDir location;
        const QString path = locationThere ? location.path() : location.filePath(QStringLiteral("gone"));
        PerformanceTestResult result;
        result.success = true;
        result.metrics = {{QStringLiteral("writeSpeed"), 400.0}, {QStringLiteral("readSpeed"), 800.0}};
        const std::optional<qint64> id = keepRun(DatabaseLocation::defaultLocation(), path, result);
        QVERIFY(id);

        Desktop desktop;
        MainWindow &window = desktop.window;
        desktop.navigation.openHistory();
        window.historyScreen()->openRun(*id);
        QTRY_COMPARE(window.historyScreen()->page(), HistoryScreen::Page::Run);
        RunDetailView *detail = window.historyScreen()->detailView();
        detail->findChild<QPushButton *>(QStringLiteral("playsButton"))->click();
        auto *plays = detail->window()->findChild<PlaysView *>();
        QVERIFY(plays);
        auto *table = plays->findChild<QTableWidget *>();
        table->selectRow(table->findItems(QStringLiteral("ProRes 4444 HD 25"), Qt::MatchExactly).first()->row());
        plays->pacedTestButton()->click();
        if (!locationThere) {
            QTRY_VERIFY(detail->locationMessage().endsWith(QStringLiteral("gone is not there any more.")));
            QCOMPARE(desktop.navigation.currentScreen(), Screen::history);
            return;
        }
        QTRY_VERIFY(window.testScreen());
        QCOMPARE(window.testScreen()->share().mountPath, path);
        auto *dialog = window.testScreen()->findChild<MediaTestDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->chosenFormat(), QStringLiteral("ProRes 4444 HD 25"));
    }

    // The menu command and the main screen's button open the same sheet on
    // the one preferences object, so what one saves the other shows.
    void settingsMenuAndButtonEditTheOnePreferences()
    {
        Desktop desktop;
        MainWindow &window = desktop.window;
        QVERIFY(window.settingsAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Comma)));
        window.settingsAction()->trigger();
        PreferencesPanel *fromMenu = openPanel(window.findChild<QDialog *>());
        QVERIFY(fromMenu);
        const bool before = desktop.preferences.disableCacheEnabled();
        fromMenu->disableCacheSwitch()->click();
        QTest::mouseClick(fromMenu->saveButton(), Qt::LeftButton);
        QCOMPARE(desktop.preferences.disableCacheEnabled(), !before);
        QTRY_VERIFY(!window.findChild<QDialog *>());

        QTest::mouseClick(window.mainScreen()->settingsButton(), Qt::LeftButton);
        PreferencesPanel *fromButton = openPanel(window.findChild<QDialog *>());
        QVERIFY(fromButton);
        QCOMPARE(fromButton->disableCacheSwitch()->isChecked(), !before);
        // A chosen appearance shows at once. A cancelled edit goes back, so
        // no screen picks it up, and so does one whose window is just closed.
        AppearanceController appearance;
        appearance.follow(&desktop.preferences);
        const bool wasDark = ThemeColors::isDark(QApplication::palette());
        const int otherMode = int(allAppearanceModes().indexOf(wasDark ? AppearanceMode::Light : AppearanceMode::Dark));
        fromButton->appearanceMenu()->setCurrentIndex(otherMode);
        QCOMPARE(ThemeColors::isDark(QApplication::palette()), !wasDark);
        fromButton->disableCacheSwitch()->click();
        QTest::mouseClick(fromButton->cancelButton(), Qt::LeftButton);
        QCOMPARE(desktop.preferences.disableCacheEnabled(), !before);
        QCOMPARE(ThemeColors::isDark(QApplication::palette()), wasDark);
        QTRY_VERIFY(!window.findChild<QDialog *>());
        window.settingsAction()->trigger();
        openPanel(window.findChild<QDialog *>())->appearanceMenu()->setCurrentIndex(otherMode);
        window.findChild<QDialog *>()->close();
        QTRY_VERIFY(!window.findChild<QDialog *>());
        QCOMPARE(ThemeColors::isDark(QApplication::palette()), wasDark);
    }

    // The theme's text on its backgrounds, by the WCAG formula.
    void themeTextReadsAtFourAndAHalfToOne()
    {
        QCOMPARE(ThemeColors::contrastRatio(Qt::white, Qt::black), 21.0);
        QCOMPARE(qRound(ThemeColors::contrastRatio(Qt::white, QColor(0x76, 0x76, 0x76)) * 100), 454);
        for (const bool dark : {false, true}) {
            const QPalette palette = dark ? AppearanceController::darkPalette() : AppearanceController::lightPalette();
            const QColor onButton = ThemeColors::buttonText(dark);
            const QList<std::pair<QColor, QColor>> pairs{
                {palette.color(QPalette::WindowText), palette.color(QPalette::Window)},
                {palette.color(QPalette::PlaceholderText), palette.color(QPalette::Window)},
                {palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)},
                {onButton, ThemeColors::buttonFill(ThemeColors::warm(dark), dark)},
                {onButton, ThemeColors::buttonFill(ThemeColors::cool(dark), dark)},
                {onButton, ThemeColors::buttonFill(QColor(Qt::gray), dark)}};
            for (const auto &[text, background] : pairs) {
                QVERIFY2(ThemeColors::contrastRatio(text, background) >= ThemeColors::minimumTextContrast,
                         qPrintable(text.name() + QStringLiteral(" on ") + background.name()));
            }
        }
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
        MainWindow &window = desktop.window;
        window.resize(600, 900);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        grabBoth(&window, QStringLiteral("app-main"));

        window.mainScreen()->selectLocation(location.path(), QString());
        window.mainScreen()->openTest();
        QTRY_VERIFY(window.testScreen());
        TestScreen *view = window.testScreen();
        // Let the new screen lay itself out before it is captured.
        auto *scrollArea = view->findChild<QScrollArea *>();
        QTRY_COMPARE(scrollArea->widget()->width(), scrollArea->viewport()->width());
        grabBoth(&window, QStringLiteral("app-test-idle"));

        view->request()->update([](TestRequest &request) {
            request.bytesPerCycle = BytesPerCycleOptions::custom;
            request.customBytesPerCycle = quint64(1) << 30;
            request.queueDepth = 4;
            request.totalCycles = 2;
        });
        view->startTest();
        QTRY_VERIFY_WITH_TIMEOUT(view->progress()->overallProgress() > 0.3, 60000);
        grabBoth(&window, QStringLiteral("app-test-running"));
        view->stopTest();
        QTRY_VERIFY_WITH_TIMEOUT(view->progress()->isPostTestView(), 60000);
        grabBoth(&window, QStringLiteral("app-test-results"));

        QWidget *sheet = desktop.controller.showPreferences(&window);
        grabBoth(sheet, QStringLiteral("app-settings-sheet"));
        sheet->close();
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
