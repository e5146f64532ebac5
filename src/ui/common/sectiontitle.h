#pragma once
// The bold, slightly larger heading above a section of a screen.

#include "ui/common/elidedlabel.h"

namespace trevlamark {

class SectionTitle : public ElidedLabel
{
    Q_OBJECT

public:
    explicit SectionTitle(const QString &text, QWidget *parent = nullptr);
};

} // namespace trevlamark
