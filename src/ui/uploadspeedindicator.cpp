#include "ui/uploadspeedindicator.h"

namespace trevlamark {

UploadSpeedIndicator::UploadSpeedIndicator(QWidget *parent)
    : SpeedIndicator(true, parent)
{
}

} // namespace trevlamark
