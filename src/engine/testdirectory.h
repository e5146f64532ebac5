#pragma once
// The folder a run keeps its test files in, "Trevlamark_Test_Data_<seconds>"
// in the test location: making it and its files, removing it with retries, and
// sweeping a location for the ones earlier runs left behind (not those of runs
// still going, which their run markers tell). Nothing here
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

// A test directory a sweep left alone because a run still uses it.
struct SkippedDirectory
{
    QString path;
    QString owner; // who runs the test, for the user
};

class TestDirectory
{
public:
    TestDirectory() = delete;

    static constexpr const char *folderName = "Trevlamark_Test_Data";
    static constexpr int maxNameSuffix = 1000;

    // Makes a new run's directory in location, named after startSeconds. A
    // name another run already took (the same second, in another process or
    // on another computer) is never shared: the next free one of
    // "<name>_2", "<name>_3" ... is taken instead. The path, or nothing.
    static std::optional<QString> create(const QString &location, qint64 startSeconds);
    // The files of the first write phase, one per stream, 1 KiB of zeros each;
    // the paths of those that could be made.
    static QStringList createSeedFiles(const QString &directory, int queueDepth);
    // The same for a later cycle's write phase.
    static QStringList createCycleFiles(const QString &directory, int queueDepth, int cycle);
    // The name of one stream's file of a cycle: "streaming_write_2_0.dat".
    static QString cycleFileName(int cycle, int stream);
    // Removes the whole tree, waiting 0.2, 0.4, 0.8 ... seconds between attempts.
    static DeletionResult removeWithRetry(const QString &path, int maxAttempts);

    // The test directories any run left in location: the fixed name whatever
    // it is, and every "Trevlamark_Test_Data_*" entry that is a directory (a
    // link to one included), sorted by name. Sets scanProblem when the
    // location cannot be listed.
    static QStringList leftovers(const QString &location, QString *scanProblem = nullptr);
    // Removes the leftovers once each, never following a symbolic link (a
    // link goes, not what it points to). A directory whose run marker names a
    // live run is skipped unless force is set; those are returned.
    static QList<SkippedDirectory> sweep(const QString &location, bool force = false);

};

} // namespace trevlamark
