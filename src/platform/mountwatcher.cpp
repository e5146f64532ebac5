#include "platform/mountwatcher.h"

#include "platform/mountinfo.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace trevlamark {

MountWatcher::MountWatcher(Handler handler)
    : m_handler(std::move(handler))
{
}

MountWatcher::~MountWatcher()
{
    stop();
}

QList<MountChange> MountWatcher::diff(const QList<MountEntry> &before, const QList<MountEntry> &after)
{
    QSet<int> beforeIds;
    for (const MountEntry &entry : before)
        beforeIds.insert(entry.mountId);
    QSet<int> afterIds;
    for (const MountEntry &entry : after)
        afterIds.insert(entry.mountId);
    QList<MountChange> changes;
    for (const MountEntry &entry : before) {
        if (!afterIds.contains(entry.mountId))
            changes.append({false, entry.mountPoint});
    }
    for (const MountEntry &entry : after) {
        if (!beforeIds.contains(entry.mountId))
            changes.append({true, entry.mountPoint});
    }
    return changes;
}

QList<MountEntry> MountWatcher::readTable()
{
    // Reading the table through the watched descriptor is what re-arms the next wake-up.
    QByteArray text;
    if (::lseek(m_tableFd, 0, SEEK_SET) < 0)
        return m_table;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_tableFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, got);
    }
    return MountInfo::parseTable(QString::fromUtf8(text));
}

bool MountWatcher::start(QString *errorText)
{
    if (isRunning())
        return true;
    m_tableFd = ::open(QFile::encodeName(MountInfo::tablePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (m_tableFd < 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        ::close(m_tableFd);
        m_tableFd = -1;
        return false;
    }
    m_table = readTable();
    m_thread = std::thread([this] { run(); });
    return true;
}

void MountWatcher::stop()
{
    if (!isRunning())
        return;
    const quint64 one = 1;
    while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
    ::close(m_tableFd);
    ::close(m_wakeFd);
    m_tableFd = -1;
    m_wakeFd = -1;
}

void MountWatcher::run()
{
    for (;;) {
        pollfd fds[2] = {{m_tableFd, POLLPRI, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & (POLLPRI | POLLERR)) {
            QList<MountEntry> table = readTable();
            const QList<MountChange> changes = diff(m_table, table);
            m_table = std::move(table);
            if (!changes.isEmpty())
                m_handler(changes);
        }
    }
}

} // namespace trevlamark
