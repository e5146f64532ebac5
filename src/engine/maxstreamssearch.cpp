#include "engine/maxstreamssearch.h"

#include <algorithm>

namespace trevlamark {

int MaxStreamsSearch::answer(const QMap<int, bool> &outcomes)
{
    int best = 0;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it) {
        if (it.value())
            best = std::max(best, it.key());
    }
    return best;
}

std::optional<int> MaxStreamsSearch::next(const QMap<int, bool> &outcomes, int start, int maximum)
{
    if (outcomes.isEmpty())
        return std::clamp(start, 1, maximum);
    const int passed = answer(outcomes);
    // The fewest streams that had a late frame.
    std::optional<int> failed;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it) {
        if (!it.value() && it.key() > passed) {
            failed = it.key();
            break;
        }
    }
    if (!failed)
        return passed >= maximum ? std::nullopt : std::optional<int>(std::min(maximum, passed * 2));
    if (passed == 0)
        return *failed == 1 ? std::nullopt : std::optional<int>(std::max(1, *failed / 2));
    if (*failed - passed <= 1)
        return std::nullopt;
    return passed + (*failed - passed) / 2;
}

} // namespace trevlamark
