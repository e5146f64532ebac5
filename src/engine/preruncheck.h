#pragma once
// The check before a run: does the cycle's data fit, can the folder be
// written, where is it (share, server, interface, link), does it honour
// O_DIRECT, and what do the mount's own settings say. Each step on the file
// system has a time limit, so a share whose server stopped answering gives a
// refusal instead of a hang.

#include "engine/checkreport.h"
#include "engine/testrequest.h"
#include "platform/volumecapacity.h"

#include <optional>

namespace trevlamark {

class PreRunCheck
{
public:
    PreRunCheck() = delete;

    // Blocks for at most about probeWaitSeconds plus the capacity's limit.
    static CheckReport run(const TestRequest &request);

    // The most the run keeps on the volume at once: every write cycle's files
    // stay until the run ends, beside one small seed file per stream.
    static quint64 neededBytes(const TestRequest &request);
    // Refuses when the needed bytes do not fit; nothing to say without figures.
    static std::optional<CheckReport::Finding> spaceFinding(quint64 neededBytes,
                                                            const std::optional<VolumeCapacity> &capacity,
                                                            const QString &location);

    struct Probe
    {
        int createError = 0;       // errno of creating a file in the folder; 0 when it could
        bool directHonoured = false; // one aligned block went out and came back with O_DIRECT
        int directError = 0;        // errno where O_DIRECT was refused
        bool answered = true;       // false when the folder did not answer in time
    };
    // Creates a file, writes and reads one aligned block through O_DIRECT, removes the file.
    static Probe probe(const QString &folder);

    static constexpr double probeWaitSeconds = 10;
    static constexpr quint64 seedFileBytes = 1024;
};

} // namespace trevlamark
