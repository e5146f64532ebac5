#pragma once
// A message that wraps to the width it is given, as a word-wrapped label
// does, but asks its layout for room again only when the wrapped height
// changes. A label's new text otherwise lays out the whole screen around it,
// which for a message that changes several times a second costs more than
// drawing it.

#include <QWidget>

class QLabel;

namespace trevlamark {

class SteadyMessage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SteadyMessage)

public:
    explicit SteadyMessage(QWidget *parent = nullptr);

    // The label that shows the text, for its palette, font and flags.
    QLabel *label() const { return m_label; }
    QString text() const;
    void setText(const QString &text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *m_label;
    // The last text was one line and the height fitted it.
    bool m_wasOneLine = false;
};

} // namespace trevlamark
