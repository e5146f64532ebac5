#pragma once
// Shows modal alerts and returns the button chosen. The application uses the
// message-box presenter; tests install one that answers from a script.

#include <QString>
#include <QStringList>

class QWidget;

namespace trevlamark {

struct Alert
{
    enum class Style { Informational, Warning, Critical };

    Style style = Style::Informational;
    QString message;
    QString informativeText;
    QStringList buttons;
};

class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    // The index of the chosen button in alert.buttons.
    virtual int present(const Alert &alert) = 0;
};

class MessageBoxAlertPresenter : public AlertPresenter
{
public:
    explicit MessageBoxAlertPresenter(QWidget *parentWindow = nullptr);
    void setParentWindow(QWidget *parentWindow) { m_parentWindow = parentWindow; }
    int present(const Alert &alert) override;

private:
    QWidget *m_parentWindow;
};

} // namespace trevlamark
