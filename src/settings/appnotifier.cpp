#include "settings/appnotifier.h"

namespace trevlamark {

AppNotifier &AppNotifier::instance()
{
    static AppNotifier notifier;
    return notifier;
}

} // namespace trevlamark
