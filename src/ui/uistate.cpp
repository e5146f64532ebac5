#include "ui/uistate.h"

#include "ui/statesetter.h"

namespace trevlamark {

UIState::UIState(QObject *parent)
    : QObject(parent)
{
}

TREVLAMARK_NOTIFYING_SETTER(UIState, bool, setShowingCustomBytesPopover, m_showingCustomBytesPopover,
                            showingCustomBytesPopoverChanged)
TREVLAMARK_NOTIFYING_SETTER(UIState, const QSize &, setWindowSize, m_windowSize, windowSizeChanged)

} // namespace trevlamark
