#pragma once

#include <QObject>
#include <QSize>

namespace trevlamark {

// Presentation state of the test screen: the custom-amount popover and the
// measured size of the screen's content.
class UIState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool showingCustomBytesPopover READ showingCustomBytesPopover WRITE setShowingCustomBytesPopover NOTIFY showingCustomBytesPopoverChanged)
    Q_PROPERTY(QSize windowSize READ windowSize WRITE setWindowSize NOTIFY windowSizeChanged)

public:
    explicit UIState(QObject *parent = nullptr);

    bool showingCustomBytesPopover() const { return m_showingCustomBytesPopover; }
    QSize windowSize() const { return m_windowSize; }
    void setShowingCustomBytesPopover(bool value);
    void setWindowSize(const QSize &value);

signals:
    void showingCustomBytesPopoverChanged();
    void windowSizeChanged();

private:
    bool m_showingCustomBytesPopover = false;
    QSize m_windowSize{600, 750};
};

} // namespace trevlamark
