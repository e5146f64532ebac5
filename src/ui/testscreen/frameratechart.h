#pragma once
// The live chart of a paced media test: achieved frames per second of every
// stream over time against the format's frame rate, and a mark at each
// moment a stream had a frame late.

#include <QList>
#include <QWidget>

namespace trevlamark {

class FrameRateChart : public QWidget
{
    Q_OBJECT

public:
    explicit FrameRateChart(QWidget *parent = nullptr);

    void reset(double targetFramesPerSecond, int streams, double durationSeconds);
    // Frames done and frames late so far per stream, at seconds since the frame clocks started.
    void addSample(double seconds, const QList<quint64> &framesDone, const QList<quint64> &lateFrames);
    int lateMarks() const { return int(m_lateMarks.size()); }

    QSize sizeHint() const override { return {560, 220}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Point
    {
        double seconds;
        QList<double> framesPerSecond;
    };
    struct LateMark
    {
        double seconds;
        int stream;
    };

    double m_target = 0;
    double m_duration = 10;
    int m_streams = 0;
    double m_lastSeconds = 0;
    QList<quint64> m_lastFrames;
    QList<quint64> m_lastLate;
    QList<Point> m_points;
    QList<LateMark> m_lateMarks;
};

} // namespace trevlamark
