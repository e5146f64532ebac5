// The window's runs reach the history: saved in the team database of the
// settings, and a save that fails is shown to the user.

#include "history/runstore.h"
#include "platform/preferencestore.h"
#include "settings/preferencesmanager.h"
#include "support/scriptedalertpresenter.h"
#include "ui/app/runrecorder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

class tst_RunRecorder : public QObject
{
    Q_OBJECT

private slots:
    void savesInTheTeamDatabaseOrAlerts()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        TestRequest request;
        request.locationPath = folder.path();
        const PerformanceTestResult result = PerformanceTestResult::failure(QStringLiteral("Failed to create test directory"));
        ScriptedAlertPresenter alerts;
        RunRecorder recorder(&alerts);
        QSignalSpy saved(&recorder, &RunRecorder::saved);
        QSignalSpy failed(&recorder, &RunRecorder::saveFailed);

        const QString database = folder.filePath(QStringLiteral("team.sqlite"));
        PreferenceStore::setValue(QLatin1String(PreferencesManager::teamDatabaseUrlKey), database);
        recorder.record(request, result, {}, {});
        QVERIFY(saved.wait(10000));
        RunStore store(*DatabaseLocation::parse(database));
        const std::optional<RunRecord> run = store.find(saved.first().first().toLongLong());
        QVERIFY(run);
        QCOMPARE(run->outcome, RunOutcome::Failed);
        QCOMPARE(run->errorMessage, QStringLiteral("Failed to create test directory"));

        // A database under a regular file cannot be created, not even by root.
        PreferenceStore::setValue(QLatin1String(PreferencesManager::teamDatabaseUrlKey), database + QStringLiteral("/x"));
        recorder.record(request, result, {}, {});
        QVERIFY(failed.wait(10000));
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("The run was not saved")});
        PreferenceStore::setValue(QLatin1String(PreferencesManager::teamDatabaseUrlKey), QString());
    }
};

QTEST_MAIN(tst_RunRecorder)
#include "tst_runrecorder.moc"
