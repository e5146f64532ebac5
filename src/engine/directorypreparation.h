#pragma once
// Makes a run's test directory, its run marker and seed files on a thread of
// its own, so that no caller waits on a share that stopped answering. The
// caller hears back within the time limit, either way. A directory made after
// the caller gave up (the limit passed, the run stopped or was destroyed) is
// removed by whoever comes second, the maker or the one giving up.

#include "discovery/networkshare.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

namespace trevlamark {

class MainThreadBridge;
class RunMarker;

class DirectoryPreparation : public QObject
{
    Q_OBJECT

public:
    struct Prepared
    {
        QString path;
        std::shared_ptr<RunMarker> marker;
        QStringList seedFiles;
    };
    // The directory, or why there is none.
    using Outcome = std::variant<Prepared, QString>;

    explicit DirectoryPreparation(QObject *parent = nullptr);
    ~DirectoryPreparation() override; // gives up on what is still being made

    // What else a run needs in its new directory, made on the same thread;
    // why it could not be made, if it could not.
    using Furnish = std::function<std::optional<QString>(const QString &directory)>;

    // Refuses a share that is no longer mounted where it was chosen, then
    // makes the directory in location; done runs on this object's thread.
    void start(const QString &location, const NetworkShare &share, int seedFiles, int limitSeconds,
        std::function<void(Outcome)> done, Furnish furnish = {});
    // Forgets the preparation under way; what it makes is removed.
    void abandon();

private:
    struct Handover;
    static Outcome make(const QString &location, const NetworkShare &share, int seedFiles, qint64 startSeconds,
        const Furnish &furnish);
    static void discard(Outcome outcome);
    void deliver(const std::shared_ptr<Handover> &handover);

    std::shared_ptr<MainThreadBridge> m_bridge;
    std::shared_ptr<Handover> m_handover;
    std::function<void(Outcome)> m_done;
    QTimer m_limit;
};

} // namespace trevlamark
