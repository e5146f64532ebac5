#pragma once
// Zoom out / current window / zoom in, between 5 s and one hour.

#include <QWidget>

class QLabel;
class QToolButton;

namespace trevlamark {

class GraphZoomControls : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double timeWindow READ timeWindow WRITE setTimeWindow NOTIFY timeWindowChanged)

public:
    explicit GraphZoomControls(QWidget *parent = nullptr);

    double timeWindow() const { return m_timeWindowSeconds; }
    void setTimeWindow(double timeWindowSeconds);

    void zoomIn();
    void zoomOut();
    QString windowText() const;

signals:
    void timeWindowChanged(double timeWindowSeconds);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    double m_timeWindowSeconds = 60;
    QToolButton *m_zoomOutButton;
    QLabel *m_windowLabel;
    QToolButton *m_zoomInButton;
};

} // namespace trevlamark
