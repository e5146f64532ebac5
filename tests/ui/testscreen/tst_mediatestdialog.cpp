// The window's media test: paced streams in a real folder, the live chart
// with its late-frame marks, the verdict on the card, and no test data left
// when the run ends or the dialog closes mid-run.

#include "support/widgetscreenshot.h"
#include "engine/fioclient.h"
#include "ui/common/resultcard.h"
#include "ui/testscreen/frameratechart.h"
#include "ui/testscreen/mediatestdialog.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace trevlamark;

class tst_MediaTestDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsTheVerdict();
    void closingMidRunLeavesNothing();
    void lateFramesAreMarked();
    void findMaxShowsTheCurveAndStops();
};

void tst_MediaTestDialog::showsTheVerdict()
{
    QTemporaryDir location;
    MediaTestDialog dialog(location.path());
    QVERIFY(dialog.choose(QStringLiteral("prores 422 proxy hd 25"), 2, 2, MediaTestDialog::Direction::Capture, 50));
    QSignalSpy ended(&dialog, &MediaTestDialog::runEnded);
    dialog.show();
    dialog.startButton()->click();
    QVERIFY(ended.wait(60000));
    const QList<QLabel *> labels = dialog.resultCard()->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
        return label->text().startsWith(QStringLiteral("2 streams of ProRes 422 Proxy HD 25, capture: 0 of 100 frames late, worst "))
            && label->text().endsWith(QStringLiteral(" ms (buffer 2000 ms)"));
    }));
    QCOMPARE(dialog.chart()->lateMarks(), 0);
    QVERIFY(QDir(location.path()).isEmpty());
    testing::saveScreenshots(&dialog, QStringLiteral("mediatestdialog"));
}

void tst_MediaTestDialog::closingMidRunLeavesNothing()
{
    QTemporaryDir location;
    auto *dialog = new MediaTestDialog(location.path());
    QVERIFY(dialog->choose(QStringLiteral("ProRes 422 Proxy HD 25"), 1, 600, MediaTestDialog::Direction::Capture, 3));
    dialog->startButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(location.path()).isEmpty(), 10000);
    delete dialog;
    QTRY_VERIFY_WITH_TIMEOUT(QDir(location.path()).isEmpty(), 30000);
}

void tst_MediaTestDialog::lateFramesAreMarked()
{
    FrameRateChart chart;
    chart.reset(25, 2, 3);
    chart.addSample(1, {25, 25}, {0, 0});
    chart.addSample(2, {45, 50}, {3, 0});
    chart.addSample(3, {70, 75}, {3, 0});
    QCOMPARE(chart.lateMarks(), 1);
}

void tst_MediaTestDialog::findMaxShowsTheCurveAndStops()
{
    QTemporaryDir location;
    MediaTestDialog dialog(location.path());
    QVERIFY(dialog.choose(QStringLiteral("ProRes 422 Proxy HD 25"), 1, 1, MediaTestDialog::Direction::Capture, 50));
    QSignalSpy ended(&dialog, &MediaTestDialog::runEnded);
    QSignalSpy kept(&dialog, &MediaTestDialog::resultReady);
    dialog.show();
    dialog.findMaxButton()->click();
    // The first step (1 stream) is on the curve; the second is then stopped and does not count.
    QTRY_VERIFY_WITH_TIMEOUT(dialog.headline()->text().startsWith(QStringLiteral("plays 1 stream of ProRes 422 Proxy HD 25")), 30000);
    dialog.findMaxButton()->click();
    QVERIFY(ended.wait(30000));
    QVERIFY2(dialog.headline()->text().startsWith(QStringLiteral("plays ")), qPrintable(dialog.headline()->text()));
    QVERIFY(!dialog.isRunning());
    // Handed on to be kept: the run of the answer, carrying the step that counted.
    QCOMPARE(kept.size(), 1);
    const auto result = kept.first().at(1).value<PerformanceTestResult>();
    QCOMPARE(result.paced->searchSteps.size(), 1);
    QCOMPARE(kept.first().at(0).value<TestRequest>().paced->streams, result.paced->streams);
    QTRY_VERIFY_WITH_TIMEOUT(QDir(location.path()).isEmpty(), 10000);
    testing::saveScreenshots(&dialog, QStringLiteral("mediatestdialog-findmax"));
    // Run from fio servers, the "From" row names them.
    dialog.setClients({FioClient{QStringLiteral("10.0.0.21"), 8765, QStringLiteral("/mnt/edit")},
                          FioClient{QStringLiteral("10.0.0.22"), 8765, QStringLiteral("/mnt/edit")}}, QString());
    testing::saveScreenshots(&dialog, QStringLiteral("mediatestdialog-clients"));
}

QTEST_MAIN(tst_MediaTestDialog)
#include "tst_mediatestdialog.moc"
