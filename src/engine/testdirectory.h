#pragma once
// The folder a run keeps its test files in, "Trevlamark_Test_Data_<seconds>"
// in the test location: making it and its files, removing it with retries, and
// sweeping a location for the ones earlier runs left behind. Nothing here
// fails towards the caller beyond its return value: every problem is a log line.

#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

struct DeletionResult
{
    bool success = false;
    int attempts = 0; // on failure the attempts made, i.e. maxAttempts
    std::optional<QString> lastError;
};

class TestDirectory
{
public:
    TestDirectory() = delete;

    static constexpr const char *folderName = "Trevlamark_Test_Data";

    // A new run's directory in location, named after the current second.
    static QString newPath(const QString &location);
    static bool create(const QString &path);
    // The files of the first write phase, one per stream, 1 KiB of zeros each;
    // the paths of those that could be made.
    static QStringList createSeedFiles(const QString &directory, int queueDepth);
    // The same for a later cycle's write phase.
    static QStringList createCycleFiles(const QString &directory, int queueDepth, int cycle);
    // Removes the whole tree, waiting 0.2, 0.4, 0.8 ... seconds between attempts.
    static DeletionResult removeWithRetry(const QString &path, int maxAttempts);

    // The test directories any run left in location: the fixed name whatever
    // it is, and every "Trevlamark_Test_Data_*" entry that is a directory (a
    // link to one included), sorted by name. Sets scanProblem when the
    // location cannot be listed.
    static QStringList leftovers(const QString &location, QString *scanProblem = nullptr);
    // Removes the leftovers once each, never following a symbolic link (a
    // link goes, not what it points to).
    static void sweep(const QString &location);
};

} // namespace trevlamark
