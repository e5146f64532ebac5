#pragma once
// A few lines of findings about a location: plain facts, hints in the warm
// colour and refusals in red, recoloured when the appearance changes.

#include "discovery/mountsettings.h"

#include <QLabel>
#include <QList>

namespace trevlamark {

class FindingsLabel : public QLabel
{
    Q_OBJECT

public:
    enum class Severity { fact, hint, refusal };
    struct Line
    {
        QString text;
        Severity severity = Severity::fact;
    };

    explicit FindingsLabel(QWidget *parent = nullptr);

    // The mount's settings as a fact and each hint as one; none without settings.
    static QList<Line> mountSettingsLines(const std::optional<MountSettings> &settings);

    // Hidden while there are no lines.
    void setLines(const QList<Line> &lines);
    QList<Line> lines() const { return m_lines; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void render();

    QList<Line> m_lines;
};

} // namespace trevlamark
