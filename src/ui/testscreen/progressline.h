#pragma once
// A thin bar that shows how far a run has come. It is drawn as two rounded
// rectangles rather than by the style: the style's progress bar repaints at
// once, in a frame of its own, on every new value and draws its stripes on
// every paint, a cost a run pays on each of its samples. This one only marks
// itself for the next frame, and only when the filled part changes by a pixel.

#include <QWidget>

class QVariantAnimation;

namespace trevlamark {

class ProgressLine : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressLine)

public:
    explicit ProgressLine(QWidget *parent = nullptr);

    // The part done, from 0 to 1, as drawn now.
    double fraction() const { return m_fraction; }
    // A jump of a tenth or more glides there (each frame of the glide a
    // repaint); a run's steady advance steps as its samples come.
    void moveTo(double fraction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showFraction(double fraction);
    int filledWidth(double fraction) const;

    QVariantAnimation *m_glide;
    double m_fraction = 0;
};

} // namespace trevlamark
