#pragma once
// The bold, slightly larger heading above a section of a screen.

#include <QLabel>

namespace trevlamark {

class SectionTitle : public QLabel
{
    Q_OBJECT

public:
    explicit SectionTitle(const QString &text, QWidget *parent = nullptr);
};

} // namespace trevlamark
