#pragma once
// A thin bar that shows how far a run has come. It is drawn as two rounded
// rectangles rather than by the style: the style's progress bar repaints at
// once, in a frame of its own, on every new value and draws its stripes on
// every paint, a cost a run pays on each of its samples. This one only marks
// itself for the next frame, and only when the filled part changes by a pixel.

#include <QWidget>

namespace trevlamark {

class ProgressLine : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressLine)
    // The part done, from 0 to 1; a property so that an animation can glide it.
    Q_PROPERTY(double fraction READ fraction WRITE setFraction)

public:
    explicit ProgressLine(QWidget *parent = nullptr);

    double fraction() const { return m_fraction; }
    void setFraction(double fraction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int filledWidth(double fraction) const;

    double m_fraction = 0;
};

} // namespace trevlamark
