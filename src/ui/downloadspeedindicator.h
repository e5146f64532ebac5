#pragma once

#include "ui/speedindicator.h"

namespace trevlamark {

class DownloadSpeedIndicator : public SpeedIndicator
{
    Q_OBJECT

public:
    explicit DownloadSpeedIndicator(QWidget *parent = nullptr);
};

} // namespace trevlamark
