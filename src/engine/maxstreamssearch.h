#pragma once
// Which stream count a search for the most streams with no late frame tries
// next, from what the counts tried so far gave. It starts from the estimate,
// doubles (or halves) until it has a count that passes and one that fails,
// then halves the gap between them. Pure functions of the outcomes.

#include <QMap>
#include <optional>

namespace trevlamark {

class MaxStreamsSearch
{
public:
    MaxStreamsSearch() = delete;

    // outcomes: streams tried → true when no frame was late. Nothing when the
    // answer is known: the largest passing count whose next count failed, or
    // the largest allowed, or 0 when one stream fails.
    static std::optional<int> next(const QMap<int, bool> &outcomes, int start, int maximum);
    // The most streams that passed (0 when none did).
    static int answer(const QMap<int, bool> &outcomes);
};

} // namespace trevlamark
