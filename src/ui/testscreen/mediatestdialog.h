#pragma once
// The media test of the test screen: N paced streams of one format in the
// screen's location, with a live chart of each stream's frame rate against
// the format's and a mark for every late frame, then the verdict on a card.

#include "engine/maxstreamsfinder.h"
#include "engine/testrun.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace trevlamark {

class FrameRateChart;
class ResultCard;
class StreamsCurveChart;

class MediaTestDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Direction { Playback, Capture, Both };

    MediaTestDialog(const QString &location, QWidget *parent = nullptr);
    ~MediaTestDialog() override;

    // The fio servers the streams run from, each running all of them; none
    // runs them from this computer. A problem with the list refuses a start.
    void setClients(const QList<FioClient> &clients, const QString &problem);
    // Sets the choices as the user would; false for a format that is not listed.
    bool choose(const QString &format, int streams, double seconds, Direction direction, int bufferFrames);
    // The format alone, and the streams when above 0; false for a format that is not listed.
    bool chooseFormat(const QString &format, int streams = 0);
    QString chosenFormat() const;
    int chosenStreams() const;
    QPushButton *startButton() const { return m_start; }
    QPushButton *findMaxButton() const { return m_findMax; }
    QLabel *headline() const { return m_headline; }
    FrameRateChart *chart() const { return m_chart; }
    ResultCard *resultCard() const { return m_card; }
    bool isRunning() const { return m_run != nullptr || m_finder != nullptr; }

signals:
    // The run ended and its test data is gone (or could not be removed).
    void runEnded();
    // A paced run's result, or a search's as the run of its answer with every
    // step; the window keeps it in the history.
    void resultReady(const trevlamark::TestRequest &request, const trevlamark::PerformanceTestResult &result);

private:
    void startOrStop();
    // The most streams with no late frame, from the chosen count up and down.
    void findMaxOrStop();
    std::optional<PacedRequest> chosenRequest(TestRequest &request);
    void sample();
    void handleProgress(const RunProgress &progress);
    void handleFinished(const PerformanceTestResult &result);
    void handleCleanup(const QString &path, bool removed);

    QString m_location;
    QList<FioClient> m_clients;
    QString m_clientsProblem;
    QLabel *m_from;
    QComboBox *m_format;
    QSpinBox *m_streams;
    QDoubleSpinBox *m_duration;
    QComboBox *m_direction;
    QSpinBox *m_buffer;
    QPushButton *m_start;
    QPushButton *m_findMax;
    QLabel *m_headline;
    StreamsCurveChart *m_curve;
    QLabel *m_status;
    FrameRateChart *m_chart;
    ResultCard *m_card;
    QTimer m_sampleTimer;
    int m_phaseId = -1;
    std::unique_ptr<TestRun> m_run;
    std::unique_ptr<MaxStreamsFinder> m_finder;
};

} // namespace trevlamark
