#include "settings/preferencesmanager.h"
#include "platform/preferencestore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace trevlamark;

class tst_PreferencesManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { PreferenceStore::clear(); }

    void parseDouble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "30" << true << 30.0;
        QTest::newRow("negative") << "-5" << true << -5.0;
        QTest::newRow("decimal") << "0.25" << true << 0.25;
        QTest::newRow("exponent") << "1e-2" << true << 0.01;
        QTest::newRow("hexadecimal") << "0x10" << true << 16.0;
        QTest::newRow("leading blank") << " 30" << false << 0.0;
        QTest::newRow("leading tab") << "\t30" << false << 0.0;
        QTest::newRow("trailing blank") << "30 " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("comma decimal") << "0,5" << false << 0.0;
        QTest::newRow("unit suffix") << "10s" << false << 0.0;
        QTest::newRow("embedded NUL") << QString::fromLatin1("0\0\0", 3) << false << 0.0;
        QTest::newRow("NUL then digits") << QString::fromLatin1("5\0" "9", 3) << false << 0.0;
    }

    void parseDouble()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(double, value);
        const auto parsed = PreferencesManager::parseDouble(text);
        QCOMPARE(parsed.has_value(), accepted);
        if (accepted)
            QCOMPARE(*parsed, value);
    }

    void parseDoubleAcceptsInfinityAndNan()
    {
        QVERIFY(std::isinf(*PreferencesManager::parseDouble("inf")));
        QVERIFY(std::isnan(*PreferencesManager::parseDouble("nan")));
    }

    void saveConvertsTextsWritesSwitchesAndNotifies()
    {
        PreferencesManager prefs;
        QSignalSpy saved(&prefs, &PreferencesManager::saved);
        prefs.setAppearanceMode(AppearanceMode::Dark);
        prefs.setGraphSamplingRateString("fast");
        prefs.setGraphRefreshRateString("0.5");
        prefs.setGraphHistoryDurationString("30");
        prefs.setLogDebugEnabled(true);
        prefs.setTeamDatabaseUrl(" postgresql://lab@db/runs ");
        prefs.savePreferences();

        QCOMPARE(prefs.graphSamplingRate(), 0.1);
        QCOMPARE(prefs.graphSamplingRateString(), QString("fast"));
        QCOMPARE(prefs.graphRefreshRate(), 0.5);
        QCOMPARE(prefs.graphHistoryDuration(), 30.0);
        QCOMPARE(PreferenceStore::value("appearanceMode").toString(), QString("Dark"));
        QCOMPARE(PreferenceStore::boolValue("log_DEBUG_enabled"), true);
        QCOMPARE(PreferencesManager::storedTeamDatabaseUrl(), QString("postgresql://lab@db/runs"));
        QCOMPARE(saved.size(), 1);
    }

    void corruptedStoreGivesDefaults()
    {
        QFile file(PreferenceStore::filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        static const char garbage[] = "\x00\xff[[[garbage\nappearanceMode=\x01\x02\nlog_INFO_enabled=maybe\n";
        file.write(garbage, sizeof(garbage) - 1);
        file.close();
        PreferencesManager prefs;
        QCOMPARE(prefs.appearanceMode(), AppearanceMode::Auto);
        // A switch holding something that is not a boolean is seeded again.
        QVERIFY(prefs.logInfoEnabled());
        QCOMPARE(PreferenceStore::storedBool("log_INFO_enabled"), std::optional<bool>(true));
        QVERIFY(!prefs.logDebugEnabled());
    }
};

QTEST_GUILESS_MAIN(tst_PreferencesManager)
#include "tst_preferencesmanager.moc"
