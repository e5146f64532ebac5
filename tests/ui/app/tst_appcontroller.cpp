#include "discovery/sharemanager.h"
#include "platform/platformpaths.h"
#include "platform/preferencestore.h"
#include "settings/preferencesmanager.h"
#include "support/leftover.h"
#include "support/scriptedalertpresenter.h"
#include "ui/app/appcontroller.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <unistd.h>

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

class tst_AppController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Everything here deletes the application's folders: only ever those
        // inside the build tree's private home that ctest sets up.
        for (const char *variable : {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
            if (!qEnvironmentVariable(variable).contains(QLatin1String("/tests/home/tst_appcontroller")))
                QSKIP("Run through ctest, which points HOME and XDG_* into the build tree");
        }
    }

    void init()
    {
        QDir(PlatformPaths::applicationSupportDirectory()).removeRecursively();
        QDir(PlatformPaths::logDirectory()).removeRecursively();
        PreferenceStore::clear();
    }

    void resetRemovesEverythingSweepsAndQuits()
    {
        touch(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/TestData/leftover.bin"));
        touch(PlatformPaths::logDirectory() + QStringLiteral("/trevlamark.log"));
        PreferenceStore::setValue(QStringLiteral("DeveloperMode"), true);
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Reset"), QStringLiteral("OK")};
        QTemporaryDir share;
        QVERIFY(makeLeftover(share.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        touch(share.filePath(QStringLiteral("user-data.txt")));
        PreferencesManager preferences;
        AppController controller(&alerts, &preferences);
        controller.setMountedSharePathsSource([&] { return QStringList{share.path()}; });
        QSignalSpy quitSpy(&controller, &AppController::terminationRequested);
        controller.confirmResetApplicationState();

        QVERIFY(quitSpy.wait());
        QCOMPARE(alerts.messages(), (QStringList{QStringLiteral("Reset Application State"),
                                                 QStringLiteral("Application State Reset")}));
        QVERIFY(!QFile::exists(PlatformPaths::applicationSupportDirectory() + QStringLiteral("/TestData/leftover.bin")));
        QVERIFY(!QFile::exists(PlatformPaths::logDirectory() + QStringLiteral("/trevlamark.log")));
        QVERIFY(!PreferenceStore::contains(QStringLiteral("DeveloperMode")));
        QVERIFY(!QFile::exists(share.filePath(QStringLiteral("Trevlamark_Test_Data_1700000000"))));
        QVERIFY(QFile::exists(share.filePath(QStringLiteral("user-data.txt"))));
        QCOMPARE(quitSpy.count(), 1);
    }

    void failedLogDeletionStopsWithTheErrorAlert()
    {
        if (::geteuid() == 0)
            QSKIP("Folder permissions do not stop root from deleting, so the failure cannot be provoked");
        const QString logDirectory = PlatformPaths::logDirectory();
        touch(logDirectory + QStringLiteral("/locked/trevlamark.log"));
        QFile::setPermissions(logDirectory + QStringLiteral("/locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Reset"), QStringLiteral("OK")};
        PreferencesManager preferences;
        AppController controller(&alerts, &preferences);
        controller.setMountedSharePathsSource([] { return QStringList(); });
        QSignalSpy quitSpy(&controller, &AppController::terminationRequested);
        controller.confirmResetApplicationState();
        QTRY_COMPARE(alerts.shown.size(), 2);
        QFile::setPermissions(logDirectory + QStringLiteral("/locked"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(alerts.shown.last().message, QStringLiteral("Error Resetting Application State"));
        QCOMPARE(quitSpy.count(), 0);
    }

    void quittingSweepsSharesThenTheTestDataFolder()
    {
        ScriptedAlertPresenter alerts;
        QTemporaryDir share;
        const QStringList leftovers{share.filePath(QStringLiteral("Trevlamark_Test_Data_1")),
                                    PlatformPaths::testDataDirectory() + QStringLiteral("/Trevlamark_Test_Data_3")};
        for (const QString &path : leftovers)
            QVERIFY(makeLeftover(path));
        PreferencesManager preferences;
        AppController controller(&alerts, &preferences);
        controller.setMountedSharePathsSource([&] { return QStringList{share.path()}; });
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        for (const QString &path : leftovers)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    }

    void quitSignalsSweepLikeTheQuitCommand_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    // The window itself, as a child process in this test's home.
    void quitSignalsSweepLikeTheQuitCommand()
    {
        QFETCH(int, signalNumber);
        if (!ShareManager().detectMountedShares().isEmpty())
            QSKIP("Network shares are mounted here, and the window's quit sweep would reach into them");
        const QString leftover = PlatformPaths::testDataDirectory() + QStringLiteral("/Trevlamark_Test_Data_4");
        QVERIFY(makeLeftover(leftover));
        QProcess window;
        window.setProcessChannelMode(QProcess::MergedChannels);
        window.start(QStringLiteral(TREVLAMARK_GUI_PATH), QStringList());
        QVERIFY(window.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += window.readAll()).contains("Initializing app"), 30000);
        QCOMPARE(::kill(pid_t(window.processId()), signalNumber), 0);
        QVERIFY(window.waitForFinished(60000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(leftover));
    }
};

QTEST_MAIN(tst_AppController)
#include "tst_appcontroller.moc"
