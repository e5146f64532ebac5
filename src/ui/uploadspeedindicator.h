#pragma once

#include "ui/speedindicator.h"

namespace trevlamark {

class UploadSpeedIndicator : public SpeedIndicator
{
    Q_OBJECT

public:
    explicit UploadSpeedIndicator(QWidget *parent = nullptr);
};

} // namespace trevlamark
