#include "settings/preferencesmanager.h"
#include "platform/platformpaths.h"
#include "platform/preferencestore.h"
#include "scriptedalertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/preferencesview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace trevlamark;

namespace {
void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}
} // namespace

class tst_AppDelegate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Everything here deletes the application's folders: only ever those
        // inside the build tree's private home that ctest sets up.
        for (const char *variable : {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
            if (!qEnvironmentVariable(variable).contains(QLatin1String("/tests/home/tst_appdelegate")))
                QSKIP("Run through ctest, which points HOME and XDG_* into the build tree");
        }
    }

    void init()
    {
        QDir(PlatformPaths::applicationSupportDirectory()).removeRecursively();
        QDir(PlatformPaths::logDirectory()).removeRecursively();
        PreferenceStore::clear();
    }

    void altAtLaunchOffersDeveloperOptionsAndCancelChangesNothing()
    {
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Cancel")};
        AppDelegate delegate(&alerts);
        QWidget window;
        delegate.applicationDidFinishLaunching(&window, Qt::AltModifier);
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Developer Mode Options")});
        QCOMPARE(alerts.shown.first().buttons,
                 (QStringList{QStringLiteral("Enable Developer Mode"), QStringLiteral("Reset Application State"),
                              QStringLiteral("Both"), QStringLiteral("Cancel")}));
        QVERIFY(!PreferenceStore::contains(QLatin1String(PreferencesManager::developerModeKey)));
    }

    void launchWithoutAltSizesTheWindowAndRecordsFirstLaunch()
    {
        ScriptedAlertPresenter alerts;
        AppDelegate delegate(&alerts);
        QWidget window;
        delegate.applicationDidFinishLaunching(&window, Qt::NoModifier);
        QVERIFY(alerts.shown.isEmpty());
        QCOMPARE(window.minimumSize(), QSize(600, 750));
        QCOMPARE(window.size(), QSize(600, 750));
        QVERIFY(PreferenceStore::boolValue(QLatin1String(PreferencesManager::hasLaunchedBeforeKey)));
    }

    void bothThenCancelKeepsDataWithDeveloperModeOn()
    {
        const QString keep = PlatformPaths::applicationSupportDirectory() + QStringLiteral("/keep.txt");
        touch(keep);
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Both"), QStringLiteral("OK"), QStringLiteral("Cancel")};
        AppDelegate delegate(&alerts);
        QSignalSpy quitSpy(&delegate, &AppDelegate::terminationRequested);
        delegate.applicationDidFinishLaunching(nullptr, Qt::AltModifier);
        QCOMPARE(alerts.messages(), (QStringList{QStringLiteral("Developer Mode Options"),
                                                 QStringLiteral("Developer Mode Enabled"),
                                                 QStringLiteral("Reset Application State")}));
        QVERIFY(PreferencesManager::isDeveloperMode());
        QVERIFY(QFile::exists(keep));
        QCOMPARE(quitSpy.count(), 0);
    }

    void resetRemovesEverythingSweepsAndQuits()
    {
        touch(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/TestData/leftover.bin"));
        touch(PlatformPaths::logDirectory() + QStringLiteral("/trevlamark.log"));
        PreferenceStore::setValue(QStringLiteral("HasLaunchedBefore"), true);
        PreferenceStore::setValue(QStringLiteral("DeveloperMode"), true);

        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Reset"), QStringLiteral("OK")};
        QTemporaryDir shareA;
        QTemporaryDir shareB;
        touch(shareA.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000/file_0.dat")));
        touch(shareB.filePath(QStringLiteral("Trevlamark_Test_Data/file_0.dat")));
        touch(shareB.filePath(QStringLiteral("user-data.txt")));
        AppDelegate delegate(&alerts);
        delegate.setMountedSharePathsSource([&] { return QStringList{shareA.path(), shareB.path()}; });
        QSignalSpy quitSpy(&delegate, &AppDelegate::terminationRequested);
        delegate.confirmResetApplicationState();

        QCOMPARE(alerts.messages(), (QStringList{QStringLiteral("Reset Application State"),
                                                 QStringLiteral("Application State Reset")}));
        QVERIFY(!QFile::exists(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/TestData/leftover.bin")));
        QVERIFY(!QFile::exists(PlatformPaths::logDirectory() + QStringLiteral("/trevlamark.log")));
        QVERIFY(!PreferenceStore::contains(QStringLiteral("HasLaunchedBefore")));
        QVERIFY(!PreferenceStore::contains(QStringLiteral("DeveloperMode")));
        QVERIFY(!QFile::exists(shareA.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        QVERIFY(!QFile::exists(shareB.filePath(QStringLiteral("Trevlamark_Test_Data"))));
        QVERIFY(QFile::exists(shareB.filePath(QStringLiteral("user-data.txt"))));
        // The sweep of the test data folder recreates it.
        QVERIFY(QFileInfo(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/TestData")).isDir());
        QCOMPARE(quitSpy.count(), 1);
    }

    void resetWithNothingPresentStillCompletes()
    {
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Reset"), QStringLiteral("OK")};
        AppDelegate delegate(&alerts);
        delegate.setMountedSharePathsSource([] { return QStringList(); });
        QSignalSpy quitSpy(&delegate, &AppDelegate::terminationRequested);
        delegate.confirmResetApplicationState();
        QCOMPARE(alerts.shown.last().message, QStringLiteral("Application State Reset"));
        QCOMPARE(quitSpy.count(), 1);
    }

    void failedLogDeletionStopsWithTheErrorAlert()
    {
        if (::geteuid() == 0)
            QSKIP("Folder permissions do not stop root from deleting, so the failure cannot be provoked");
        touch(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/x"));
        const QString logDirectory = PlatformPaths::logDirectory();
        touch(logDirectory + QStringLiteral("/locked/trevlamark.log"));
        QFile::setPermissions(logDirectory + QStringLiteral("/locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Reset"), QStringLiteral("OK")};
        AppDelegate delegate(&alerts);
        delegate.setMountedSharePathsSource([] { return QStringList(); });
        QSignalSpy quitSpy(&delegate, &AppDelegate::terminationRequested);
        delegate.confirmResetApplicationState();
        QFile::setPermissions(logDirectory + QStringLiteral("/locked"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(alerts.shown.last().message, QStringLiteral("Error Resetting Application State"));
        QVERIFY(!QFile::exists(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/x")));
        QCOMPARE(quitSpy.count(), 0);
    }

    void settingsTwiceOpensTwoWindows()
    {
        ScriptedAlertPresenter alerts;
        AppDelegate delegate(&alerts);
        PreferencesView *first = delegate.showPreferences();
        PreferencesView *second = delegate.showPreferences();
        QVERIFY(first != second);
        QCOMPARE(first->windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(first->size(), QSize(350, 200));
        const auto firstPreferences = first->findChild<PreferencesManager *>();
        const auto secondPreferences = second->findChild<PreferencesManager *>();
        QVERIFY(firstPreferences && secondPreferences && firstPreferences != secondPreferences);
        first->close();
        second->close();
    }

    void quittingSweepsSharesThenTheTestDataFolder()
    {
        ScriptedAlertPresenter alerts;
        QTemporaryDir shareOne;
        QTemporaryDir shareTwo;
        const QStringList leftovers{shareOne.filePath(QStringLiteral("Trevlamark_Test_Data_1/file_0.dat")),
                                    shareTwo.filePath(QStringLiteral("Trevlamark_Test_Data_2/file_0.dat")),
                                    PlatformPaths::testDataDirectory()
                                        + QStringLiteral("/Trevlamark_Test_Data_3/file_0.dat")};
        for (const QString &path : leftovers)
            touch(path);
        AppDelegate delegate(&alerts);
        QStringList asked;
        delegate.setMountedSharePathsSource([&] {
            asked.append(QStringLiteral("detect"));
            return QStringList{shareOne.path(), shareTwo.path()};
        });
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QCOMPARE(asked.size(), 1);
        for (const QString &path : leftovers)
            QVERIFY2(!QFileInfo::exists(QFileInfo(path).path()), qPrintable(path));
    }
};

QTEST_MAIN(tst_AppDelegate)
#include "tst_appdelegate.moc"
