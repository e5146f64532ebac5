#pragma once
// Scale labels beside a graph: maxY at the top and bottom, 0 at the midline.

#include <QWidget>

namespace trevlamark {

class YAxisLabels : public QWidget
{
    Q_OBJECT

public:
    explicit YAxisLabels(QWidget *parent = nullptr);

    void setMaxY(double maxY);
    QStringList labelTexts() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_maxY = 125;
};

} // namespace trevlamark
