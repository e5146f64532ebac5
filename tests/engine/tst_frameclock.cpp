// The frame clock and the late-frame rule over simulated streams: each row
// gives the I/O time of every frame, the stream is played on the clock as the
// paced run plays it, and the tally must count what an editor would see.

#include "engine/frameclock.h"
#include "engine/frametally.h"

#include <QTest>

using namespace trevlamark;

class tst_FrameClock : public QObject
{
    Q_OBJECT

private slots:
    void lateFrames_data();
    void lateFrames();
    void slotsCountFromTheStart();
};

namespace {

// Milliseconds of I/O per frame: `frames` of `normal`, with some frames replaced.
QList<double> durations(int frames, double normal, const QMap<int, double> &exceptions = {})
{
    QList<double> list(frames, normal);
    for (auto it = exceptions.cbegin(); it != exceptions.cend(); ++it)
        list[it.key()] = it.value();
    return list;
}

} // namespace

void tst_FrameClock::lateFrames_data()
{
    QTest::addColumn<double>("fps");
    QTest::addColumn<int>("bufferFrames");
    QTest::addColumn<QList<double>>("ioMs");
    QTest::addColumn<int>("late");
    QTest::addColumn<double>("worstMs");

    // 25 fps: a slot every 40 ms; a buffer of 3 frames is 120 ms.
    QTest::newRow("on time") << 25.0 << 3 << durations(100, 10) << 0 << 10.0;
    QTest::newRow("exactly the buffer is not late") << 25.0 << 1 << durations(50, 40) << 0 << 40.0;
    QTest::newRow("late by one buffer") << 25.0 << 3 << durations(100, 10, {{5, 121}}) << 1 << 121.0;
    // Frame 10 stalls 500 ms; the frames after it start late and catch up 30 ms a frame.
    QTest::newRow("a stall makes several late") << 25.0 << 3 << durations(100, 10, {{10, 500}}) << 13 << 500.0;
    // 48 ms for a 40 ms slot: the stream falls 8 ms further behind every frame.
    QTest::newRow("a clock that falls behind") << 25.0 << 3 << durations(100, 48) << 90 << 840.0;
    QTest::newRow("29.97 fps, a 100 ms buffer") << 29.97 << 3 << durations(60, 20, {{30, 101}}) << 1 << 101.0;
}

void tst_FrameClock::lateFrames()
{
    QFETCH(double, fps);
    QFETCH(int, bufferFrames);
    QFETCH(QList<double>, ioMs);
    QFETCH(int, late);
    QFETCH(double, worstMs);

    const FrameClock clock(fps, bufferFrames);
    FrameTally tally;
    qint64 previousCompletion = 0;
    for (qsizetype frame = 0; frame < ioMs.size(); ++frame) {
        const qint64 issue = clock.issueTime(frame, previousCompletion);
        const qint64 completion = issue + qint64(ioMs.at(frame) * 1e6);
        tally.record(clock, frame, issue, completion, 1000);
        previousCompletion = completion;
    }
    QCOMPARE(tally.frames(), quint64(ioMs.size()));
    QCOMPARE(tally.lateFrames(), quint64(late));
    QCOMPARE(double(tally.worstLatenessNanoseconds()) / 1e6, worstMs);
    QCOMPARE(tally.bytes(), quint64(ioMs.size()) * 1000);
}

void tst_FrameClock::slotsCountFromTheStart()
{
    // 29.97 is 30000/1001: after an hour of frames the slot is still where
    // the frame count puts it, however late any wake-up was.
    const FrameClock clock(30000.0 / 1001.0, 3);
    QCOMPARE(clock.slotStart(107892), qint64(3'599'996'400'000));
    QCOMPARE(clock.issueTime(5, 0), clock.slotStart(5));
    QCOMPARE(clock.bufferNanoseconds(), qint64(100'100'000));
    QCOMPARE(clock.framesIn(60), qint64(1798));
    QCOMPARE(FrameClock(25, 3).framesIn(60), qint64(1500));
}

QTEST_APPLESS_MAIN(tst_FrameClock)
#include "tst_frameclock.moc"
