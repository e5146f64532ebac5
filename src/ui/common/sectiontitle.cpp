#include "ui/common/sectiontitle.h"

namespace trevlamark {

SectionTitle::SectionTitle(const QString &text, QWidget *parent)
    : ElidedLabel(text, parent)
{
    QFont titleFont = font();
    titleFont.setWeight(QFont::DemiBold);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    setFont(titleFont);
}

} // namespace trevlamark
