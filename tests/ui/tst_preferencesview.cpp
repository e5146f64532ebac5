#include "settings/appnotifier.h"
#include "settings/preferencesmanager.h"
#include "platform/preferencestore.h"
#include "scriptedalertpresenter.h"
#include "ui/appdelegate.h"
#include "ui/preferencesview.h"
#include "ui/themecolors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_PreferencesView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("XDG_CONFIG_HOME").contains(QLatin1String("/tests/home/")))
            QSKIP("Run through ctest, which points XDG_CONFIG_HOME into the build tree");
    }

    void init() { PreferenceStore::clear(); }

    void switchesEditTheObjectAndSaveWritesAndAnnounces()
    {
        PreferencesManager preferences;
        PreferencesView view(&preferences);
        QSignalSpy appearanceSpy(&AppNotifier::instance(), &AppNotifier::appearanceModeChanged);
        QSignalSpy developerSpy(&AppNotifier::instance(), &AppNotifier::developerSettingsChanged);
        QSignalSpy closeSpy(&view, &PreferencesView::closeRequested);

        view.appearanceMenu()->setCurrentIndex(2);
        QCOMPARE(view.appearanceMenu()->currentText(), QStringLiteral("Dark"));
        QCOMPARE(preferences.appearanceMode(), AppearanceMode::Dark);
        view.disableCacheSwitch()->setChecked(false);
        QVERIFY(!preferences.disableCacheEnabled());
        view.logSwitch(3)->setChecked(true);
        QVERIFY(preferences.logDebugEnabled());
        QCOMPARE(PreferenceStore::boolValue(QStringLiteral("log_DEBUG_enabled")), false);

        QTest::mouseClick(view.saveButton(), Qt::LeftButton);
        QCOMPARE(PreferenceStore::value(QStringLiteral("appearanceMode")).toString(), QStringLiteral("Dark"));
        QVERIFY(PreferenceStore::boolValue(QStringLiteral("log_DEBUG_enabled")));
        QCOMPARE(appearanceSpy.count(), 1);
        QCOMPARE(appearanceSpy.first().first().value<AppearanceMode>(), AppearanceMode::Dark);
        QCOMPARE(developerSpy.count(), 1);
        QCOMPARE(closeSpy.count(), 1);
    }

    void cancelOnlyCloses()
    {
        PreferencesManager preferences;
        PreferencesView view(&preferences);
        QSignalSpy developerSpy(&AppNotifier::instance(), &AppNotifier::developerSettingsChanged);
        QSignalSpy closeSpy(&view, &PreferencesView::closeRequested);
        view.appearanceMenu()->setCurrentIndex(1);
        QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QCOMPARE(developerSpy.count(), 0);
        QVERIFY(!PreferenceStore::contains(QStringLiteral("appearanceMode")));
    }

    void developerSectionOnlyInDeveloperMode()
    {
        {
            PreferencesManager preferences;
            PreferencesView view(&preferences);
            QVERIFY(!view.historyDurationField());
            QVERIFY(!view.findChild<QWidget *>(QStringLiteral("developerSettings")));
        }
        PreferenceStore::setValue(QStringLiteral("DeveloperMode"), true);
        PreferencesManager preferences;
        PreferencesView view(&preferences);
        QVERIFY(view.historyDurationField());
        QCOMPARE(view.historyDurationField()->text(), QStringLiteral("60.0"));
        QTest::keyClicks(view.historyDurationField(), QStringLiteral("5"));
        QCOMPARE(preferences.graphHistoryDurationString(), QStringLiteral("60.05"));
        QTest::mouseClick(view.saveButton(), Qt::LeftButton);
        QCOMPARE(preferences.graphHistoryDuration(), 60.05);
    }

    void resetButtonRedFollowsTheAppearance()
    {
        PreferencesManager preferences;
        PreferencesView view(&preferences);
        QPalette light = view.palette();
        light.setColor(QPalette::Window, QColor(0xf5, 0xf5, 0xf5));
        light.setColor(QPalette::Button, QColor(0xee, 0xee, 0xee));
        view.setPalette(light);
        QCOMPARE(view.resetButton()->palette().color(QPalette::ButtonText), ThemeColors::red(false));

        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
        dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
        view.setPalette(dark);
        const QPalette shown = view.resetButton()->palette();
        QCOMPARE(shown.color(QPalette::ButtonText), ThemeColors::red(true));
        // The other roles still come from the view's palette.
        QCOMPARE(shown.color(QPalette::Button), QColor(0x3a, 0x3a, 0x3a));
        // Legible on the dark button: clearly lighter than it.
        QVERIFY(shown.color(QPalette::ButtonText).lightness() - shown.color(QPalette::Button).lightness() >= 80);
    }

    void resetAsksTheDelegateAfterClosing()
    {
        ScriptedAlertPresenter alerts;
        alerts.answers = {QStringLiteral("Cancel")};
        AppDelegate delegate(&alerts);
        PreferencesManager preferences;
        PreferencesView view(&preferences);
        QSignalSpy closeSpy(&view, &PreferencesView::closeRequested);
        QTest::mouseClick(view.resetButton(), Qt::LeftButton);
        QCOMPARE(closeSpy.count(), 1);
        QVERIFY(alerts.shown.isEmpty());
        QTRY_COMPARE(alerts.messages(), QStringList{QStringLiteral("Reset Application State")});
    }
};

QTEST_MAIN(tst_PreferencesView)
#include "tst_preferencesview.moc"
