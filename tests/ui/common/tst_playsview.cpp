// The Plays view as the window shows it: reached from a result card, the
// estimate for every format with its caveat, the filter, and the paced test
// offered for the chosen format; and a paced run's verdict on the card.

#include "support/widgetscreenshot.h"
#include "ui/common/playsview.h"
#include "ui/common/resultcard.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace trevlamark;

class tst_PlaysView : public QObject
{
    Q_OBJECT

private slots:
    void reachedFromTheResultCard();
    void pacedVerdictOnTheCard();
    void screenshots();

private:
    static PerformanceTestResult streamingResult();
};

PerformanceTestResult tst_PlaysView::streamingResult()
{
    PerformanceTestResult result;
    result.success = true;
    result.metrics = {{QStringLiteral("writeSpeed"), 500.0}, {QStringLiteral("readSpeed"), 1000.0}};
    result.details.insert(QStringLiteral("testPath"), QStringLiteral("/mnt/edit"));
    return result;
}

void tst_PlaysView::reachedFromTheResultCard()
{
    QWidget window;
    ResultCard card(&window);
    card.setResult(streamingResult());
    auto *button = card.findChild<QPushButton *>(QStringLiteral("playsButton"));
    QVERIFY(button);
    button->click();
    auto *view = window.findChild<PlaysView *>(QLatin1String(PlaysView::objectName));
    QVERIFY(view);
    QVERIFY(view->findChild<QLabel *>(QStringLiteral("playsCaveat"))->text().startsWith(QStringLiteral("Estimate from the average")));
    QCOMPARE(view->visibleRows(), 210);
    QVERIFY(view->pacedTestCommand().isEmpty());
    QVERIFY(!view->pacedTestButton()->isEnabled());

    view->findChild<QLineEdit *>()->setText(QStringLiteral("hq uhd 29.97"));
    QCOMPARE(view->visibleRows(), 3); // ProRes 422 HQ, DNxHR HQ and HQX
    auto *table = view->findChild<QTableWidget *>();
    const QList<QTableWidgetItem *> found = table->findItems(QStringLiteral("ProRes 422 HQ UHD 29.97"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    table->selectRow(found.first()->row());
    // 105.38 MB/s a stream: 1000 MB/s less 20 % carries 7 of them.
    QCOMPARE(table->item(found.first()->row(), 3)->text(), QStringLiteral("7"));
    QCOMPARE(view->pacedTestCommand(),
        QStringLiteral("trevlamark-cli play \"/mnt/edit\" --format \"ProRes 422 HQ UHD 29.97\" --streams 7 --playback"));
    // The card hands the choice up to the screen that shows it, and the view closes.
    QSignalSpy asked(&card, &ResultCard::pacedTestRequested);
    view->pacedTestButton()->click();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first(), (QVariantList{QStringLiteral("ProRes 422 HQ UHD 29.97"), 7}));
    QCOMPARE(view->result(), int(QDialog::Accepted));
}

void tst_PlaysView::pacedVerdictOnTheCard()
{
    PerformanceTestResult result;
    result.success = true;
    PacedResult paced;
    paced.format = QStringLiteral("ProRes 422 HQ UHD 29.97");
    paced.streams = 3;
    paced.bufferMs = 100.1;
    PacedDirection capture;
    capture.total.frames = 5394;
    capture.total.worstLatenessMs = 21.2;
    paced.directions = {capture};
    result.paced = paced;
    ResultCard card;
    card.setResult(result);
    QStringList texts;
    for (const QLabel *label : card.findChildren<QLabel *>())
        texts.append(label->text());
    QVERIFY2(texts.contains(QStringLiteral(
                 "3 streams of ProRes 422 HQ UHD 29.97, capture: 0 of 5,394 frames late, worst 21 ms (buffer 100 ms)")),
        qPrintable(texts.join(QLatin1Char('\n'))));
    QVERIFY(!card.findChild<QPushButton *>(QStringLiteral("playsButton")));
}

void tst_PlaysView::screenshots()
{
    PlaysView view(streamingResult());
    view.findChild<QLineEdit *>()->setText(QStringLiteral("UHD 29.97"));
    auto *table = view.findChild<QTableWidget *>();
    table->selectRow(table->findItems(QStringLiteral("ProRes 422 HQ UHD 29.97"), Qt::MatchExactly).first()->row());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    testing::saveScreenshots(&view, QStringLiteral("playsview"));
    QVERIFY(!view.pacedTestCommand().isEmpty());
}

QTEST_MAIN(tst_PlaysView)
#include "tst_playsview.moc"
