#include "app/appviewmodel.h"
#include "platform/platformpaths.h"
#include "ui/mainview.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

class tst_MainView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("XDG_DATA_HOME").contains(QLatin1String("/tests/home/")))
            QSKIP("Run through ctest, which points XDG_DATA_HOME into the build tree");
    }

    void startsAtTheDefaultTestLocation()
    {
        AppViewModel model;
        MainView view(&model);
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Default Test Location"));
        QVERIFY(!view.isNetworkLocation());
        QVERIFY(view.openTestButton()->isEnabled());
        QVERIFY(QFileInfo(view.selectedLocation()).isDir());
    }

    void folderPickerSelectsACustomLocation()
    {
        QTemporaryDir folder;
        AppViewModel model;
        MainView view(&model);
        QString askedMessage;
        QString askedStart;
        view.setFolderPicker([&](const QString &message, const QString &start) {
            askedMessage = message;
            askedStart = start;
            return std::optional<QString>(folder.path());
        });
        QTest::mouseClick(view.folderButton(), Qt::LeftButton);
        QCOMPARE(askedMessage, QStringLiteral("Please select a folder for performance testing"));
        QCOMPARE(askedStart, PlatformPaths::testDataDirectory());
        QCOMPARE(view.selectedLocation(), folder.path());
        QCOMPARE(model.selectedLocation(), folder.path());
        QCOMPARE(view.selectedShareName(), QStringLiteral("Custom Location"));
        const QStringList texts = [&] {
            QStringList result;
            for (const QLabel *label : view.findChildren<QLabel *>())
                result.append(label->text());
            return result;
        }();
        QVERIFY(texts.contains(QStringLiteral("Custom Location")));
        QVERIFY(texts.contains(folder.path()));
    }

    void cancelledPickerKeepsTheLocation()
    {
        AppViewModel model;
        MainView view(&model);
        view.setFolderPicker([](const QString &, const QString &) { return std::optional<QString>(); });
        view.showCustomFolderPicker();
        QCOMPARE(view.selectedLocation(), PlatformPaths::testDataDirectory());
    }

    void openTestNavigatesWithTheLocation()
    {
        QTemporaryDir folder;
        AppViewModel model;
        MainView view(&model);
        view.selectLocation(folder.path(), QString());
        QTest::mouseClick(view.openTestButton(), Qt::LeftButton);
        QCOMPARE(model.currentView(), AppView::performanceTest);
        QCOMPARE(model.testParameters()->selectedLocation, folder.path());
        QVERIFY(!model.testParameters()->isNetworkLocation);
        QVERIFY(!model.testParameters()->networkShare);
        QVERIFY(model.testParameters()->shareManager);
    }

    void settingsButtonAsksForTheSheet()
    {
        AppViewModel model;
        MainView view(&model);
        QSignalSpy spy(&view, &MainView::settingsRequested);
        QTest::mouseClick(view.settingsButton(), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
    }
};

QTEST_MAIN(tst_MainView)
#include "tst_mainview.moc"
