#pragma once
// A live link rate: a circled arrow and the rate in Mbit/s, in the direction's
// colour (warm and up for upload, cool and down for download).

#include <QWidget>

namespace trevlamark {

class SpeedIndicator : public QWidget
{
    Q_OBJECT

public:
    enum class Direction { Upload, Download };

    explicit SpeedIndicator(Direction direction, QWidget *parent = nullptr);

    void setSpeed(double speedMBps);
    double speed() const { return m_speedMBps; }
    QString text() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Direction m_direction;
    double m_speedMBps = 0;
};

} // namespace trevlamark
