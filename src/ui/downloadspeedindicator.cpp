#include "ui/downloadspeedindicator.h"

namespace trevlamark {

DownloadSpeedIndicator::DownloadSpeedIndicator(QWidget *parent)
    : SpeedIndicator(false, parent)
{
}

} // namespace trevlamark
