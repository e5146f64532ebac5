#include "ui/app/alertpresenter.h"

#include <QMessageBox>
#include <QPushButton>

namespace trevlamark {

MessageBoxAlertPresenter::MessageBoxAlertPresenter(QWidget *parentWindow)
    : m_parentWindow(parentWindow)
{
}

int MessageBoxAlertPresenter::present(const Alert &alert)
{
    QMessageBox box(m_parentWindow);
    switch (alert.style) {
    case Alert::Style::Informational: box.setIcon(QMessageBox::Information); break;
    case Alert::Style::Warning: box.setIcon(QMessageBox::Warning); break;
    case Alert::Style::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (const QString &title : alert.buttons)
        buttons.append(box.addButton(title, QMessageBox::ActionRole));
    if (!buttons.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
    box.exec();
    const int chosen = int(buttons.indexOf(box.clickedButton()));
    // Closing the box without a button counts as its last choice ("Cancel" or "OK").
    return chosen >= 0 ? chosen : int(alert.buttons.size()) - 1;
}

} // namespace trevlamark
