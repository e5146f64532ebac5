#pragma once
// A one-line label that can give up the middle of its text to fit, so a long
// path keeps both ends in view and never widens its screen; its tooltip then
// has the text whole. Without eliding it is an ordinary label.

#include <QLabel>

namespace trevlamark {

class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(const QString &text = QString(), QWidget *parent = nullptr);

    void setElidedInTheMiddle(bool elided);

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_elided = false;
};

} // namespace trevlamark
