#pragma once
// `trevlamark-cli play`: N paced streams of one media format in LOCATION,
// with late frames counted. Its arguments become a run request with a paced
// part; the run itself goes the way of `run` (progress, result, JSON,
// history, signals, removal of the test data).

#include "cli/runoptions.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

class PlayCommand
{
public:
    PlayCommand() = delete;

    static int execute(const QStringList &arguments);
    // The checked options; nothing, with the one-line refusal in problem (or
    // the help text in help), when they cannot run.
    static std::optional<RunOptions> parse(const QStringList &arguments, QString *problem, QString *help);

    static constexpr int maximumStreams = 1000;
    static constexpr int maximumBufferFrames = 1000;
    static constexpr double defaultDurationSeconds = 60;
    static constexpr double maximumDurationSeconds = 86400;
    static constexpr double defaultFindMaxStepSeconds = 20;
};

} // namespace trevlamark
