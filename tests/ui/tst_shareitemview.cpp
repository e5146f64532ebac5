#include "ui/shareitemview.h"
#include "ui/storagepiechart.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <memory>
#include <mutex>

using namespace trevlamark;

namespace {

// A capacity reader that counts its calls and a clock moved by hand.
struct FakeCapacity
{
    ShareItemView::CapacityLoader loader()
    {
        // The load runs on a thread of its own that may outlive the test
        // function, so the counters it touches are shared, not borrowed.
        return [counters = counters](NetworkShare &share) {
            ++counters->calls;
            if (!counters->succeeds)
                return false;
            share.totalStorageBytes = 1000;
            share.freeStorageBytes = 250;
            return true;
        };
    }

    ShareItemView::Clock clock()
    {
        return [this] {
            std::lock_guard lock(mutex);
            return now;
        };
    }

    void advance(double seconds)
    {
        std::lock_guard lock(mutex);
        now = now.addMSecs(qint64(seconds * 1000));
    }

    struct Counters
    {
        std::atomic<int> calls = 0;
        std::atomic<bool> succeeds = true;
    };
    std::shared_ptr<Counters> counters = std::make_shared<Counters>();
    std::atomic<int> &calls = counters->calls;
    std::atomic<bool> &succeeds = counters->succeeds;
    std::mutex mutex;
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
};

NetworkShare share()
{
    return NetworkShare(QUuid::createUuid(), QStringLiteral("nas"), QStringLiteral("media"), QString(),
                        QStringLiteral("/mnt/nas/media"), QStringLiteral("nfs"));
}

} // namespace

class tst_ShareItemView : public QObject
{
    Q_OBJECT

private slots:
    void showsHostShareAndFileSystem()
    {
        FakeCapacity capacity;
        ShareItemView row(share(), false, capacity.loader(), capacity.clock());
        QStringList texts;
        for (const QLabel *label : row.findChildren<QLabel *>())
            texts.append(label->text());
        QVERIFY(texts.contains(QStringLiteral("nas/media")));
        QVERIFY(texts.contains(QStringLiteral("nfs")));
        QCOMPARE(ShareItemView::storageKey(share()), QStringLiteral("nas/media"));
        QVERIFY(!row.isSelected());
    }

    void loadsTheCapacityWhenShown()
    {
        FakeCapacity capacity;
        ShareItemView row(share(), false, capacity.loader(), capacity.clock());
        QSignalSpy finished(&row, &ShareItemView::storageLoadFinished);
        QVERIFY(row.pieChart()->isHidden());
        row.show();
        QVERIFY(finished.wait());
        QCOMPARE(capacity.calls.load(), 1);
        QVERIFY(row.hasStorageInfo());
        QCOMPARE(row.totalStorageBytes(), std::optional<qint64>(1000));
        QCOMPARE(row.freeStorageBytes(), std::optional<qint64>(250));
        QVERIFY(row.pieChart()->isVisibleTo(&row));
        QCOMPARE(row.pieChart()->percentage(), 0.75);
        QVERIFY(row.freeSpaceLabel()->text().endsWith(QStringLiteral(" free")));
    }

    // A second click within a second does not ask again; one after it does.
    void capacityThrottle()
    {
        FakeCapacity capacity;
        capacity.succeeds = false;
        ShareItemView row(share(), false, capacity.loader(), capacity.clock());
        QSignalSpy finished(&row, &ShareItemView::storageLoadFinished);
        QSignalSpy selected(&row, &ShareItemView::selected);
        row.resize(300, 40);
        QTest::mouseClick(&row, Qt::LeftButton);
        QVERIFY(finished.wait());
        QCOMPARE(capacity.calls.load(), 1);
        QVERIFY(!row.hasStorageInfo());

        capacity.advance(0.5);
        QTest::mouseClick(&row, Qt::LeftButton);
        QCOMPARE(selected.count(), 2);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(capacity.calls.load(), 1);

        capacity.advance(0.6);
        capacity.succeeds = true;
        QTest::mouseClick(&row, Qt::LeftButton);
        QVERIFY(finished.wait());
        QCOMPARE(capacity.calls.load(), 2);
        QVERIFY(row.hasStorageInfo());
    }

    void knownFiguresAreNotReadAgain()
    {
        FakeCapacity capacity;
        ShareItemView row(share(), false, capacity.loader(), capacity.clock());
        QSignalSpy finished(&row, &ShareItemView::storageLoadFinished);
        row.loadStorageInfo();
        QVERIFY(finished.wait());
        capacity.advance(5);
        row.loadStorageInfo();
        QCOMPARE(capacity.calls.load(), 1);
        QCOMPARE(finished.count(), 1);
    }

    void figuresCarriedByTheShareAreUsed()
    {
        FakeCapacity capacity;
        NetworkShare withFigures = share();
        withFigures.totalStorageBytes = 4000;
        withFigures.freeStorageBytes = 1000;
        ShareItemView row(withFigures, true, capacity.loader(), capacity.clock());
        QSignalSpy finished(&row, &ShareItemView::storageLoadFinished);
        row.loadStorageInfo();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(capacity.calls.load(), 0);
        QVERIFY(row.hasStorageInfo());
        QCOMPARE(row.pieChart()->percentage(), 0.75);
        QVERIFY(row.isSelected());
    }

    void clickHandsOverTheShare()
    {
        FakeCapacity capacity;
        const NetworkShare original = share();
        ShareItemView row(original, false, capacity.loader(), capacity.clock());
        row.resize(300, 40);
        QSignalSpy selected(&row, &ShareItemView::selected);
        QTest::mouseClick(&row, Qt::LeftButton);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.constFirst().constFirst().value<NetworkShare>(), original);
        QTest::mouseClick(&row, Qt::RightButton);
        QCOMPARE(selected.count(), 1);
    }
};

QTEST_MAIN(tst_ShareItemView)
#include "tst_shareitemview.moc"
