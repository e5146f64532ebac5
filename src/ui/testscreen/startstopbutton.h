#pragma once
// The Start / Stop / Stopping button: white text on a rounded fill whose colour
// tells the run state.

#include <QAbstractButton>

namespace trevlamark {

class StartStopButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit StartStopButton(QWidget *parent = nullptr);

    void setState(bool isRunningTest, bool isStoppingTest, bool writePhaseEnabled, bool readPhaseEnabled);
    QColor fillColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_isRunningTest = false;
    bool m_isStoppingTest = false;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
};

} // namespace trevlamark
