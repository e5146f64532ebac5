#pragma once
// An open POSIX descriptor that is closed when the handle goes away. close()
// reports errno; on Linux a failed close has already released the number, so
// the handle never closes it a second time (it may belong to another open by
// then). synchronize() and close() share a lock, so a late fsync on a stalled
// share never runs on a number that has been closed and reused meanwhile.

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace trevlamark {

class FileHandle
{
public:
    explicit FileHandle(int descriptor);
    ~FileHandle();

    // Opens with the given open(2) flags; nullptr with *errorCode set on failure.
    static std::unique_ptr<FileHandle> open(const QString &path, int flags, int *errorCode);

    // -1 once closed. Safe to read from I/O threads.
    int descriptor() const { return m_descriptor.load(std::memory_order_acquire); }
    // 0 on success, otherwise errno; EBADF when the handle is already closed.
    int close();
    // fsync; 0 or errno.
    int synchronize();
    // fdatasync, the lighter second try after a failed fsync; 0 or errno.
    int synchronizeData();

    // Cache bypass: sets O_DIRECT on the descriptor; 0 or errno.
    int enableDirectIO();
    // Turns O_DIRECT off again, for a transfer the device refuses to do direct.
    // Returns true when the flag was set and has been cleared.
    static bool disableDirectIO(int descriptor);
    // Asks the kernel to drop the file's pages from the page cache; 0 or errno.
    int dropCachedPages();

private:
    std::atomic<int> m_descriptor;
    std::mutex m_mutex;

    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
};

// Shared, because work that outlived its time limit may still be using them.
using FileHandleList = std::vector<std::shared_ptr<FileHandle>>;

} // namespace trevlamark
