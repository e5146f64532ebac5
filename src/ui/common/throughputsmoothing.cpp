#include "ui/common/throughputsmoothing.h"

namespace trevlamark {

int &ThroughputSmoothing::processSmoothingWindow()
{
    static int window = 1;
    return window;
}

} // namespace trevlamark
