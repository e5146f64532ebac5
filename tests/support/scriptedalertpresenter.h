#pragma once
// Answers alerts from a script of button titles and records what was shown.

#include "ui/app/alertpresenter.h"

#include <QList>
#include <QStringList>

class ScriptedAlertPresenter : public trevlamark::AlertPresenter
{
public:
    QStringList answers;
    QList<trevlamark::Alert> shown;

    int present(const trevlamark::Alert &alert) override
    {
        shown.append(alert);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        const qsizetype index = alert.buttons.indexOf(answer);
        return index >= 0 ? int(index) : int(alert.buttons.size()) - 1;
    }

    QStringList messages() const
    {
        QStringList result;
        for (const trevlamark::Alert &alert : shown)
            result.append(alert.message);
        return result;
    }
};
