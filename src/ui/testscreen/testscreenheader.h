#pragma once
// The test screen's top row: Back, the location's title and the media test.

#include <QWidget>

class QToolButton;

namespace trevlamark {

class TestScreenHeader : public QWidget
{
    Q_OBJECT

public:
    TestScreenHeader(const QString &title, QWidget *parent = nullptr);

    QToolButton *backButton() const { return m_backButton; }
    QToolButton *mediaTestButton() const { return m_mediaTestButton; }

private:
    QToolButton *m_backButton;
    QToolButton *m_mediaTestButton;
};

} // namespace trevlamark
