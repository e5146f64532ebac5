#pragma once
// A live link speed: an arrow icon and the rate in Mbit/s, in the direction's colour.

#include <QWidget>

namespace trevlamark {

class SpeedIndicator : public QWidget
{
    Q_OBJECT

public:
    void setSpeed(double speedMBps);
    double speed() const { return m_speedMBps; }
    QString text() const;

    QSize sizeHint() const override;

protected:
    explicit SpeedIndicator(bool isUpload, QWidget *parent);
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_isUpload;
    double m_speedMBps = 0;
};

} // namespace trevlamark
