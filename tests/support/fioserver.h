#pragma once
// A real `fio --server` on a loopback address, in a process group of its own.
// Killing it takes its connection's workers and its jobs with it, as when its
// machine goes down.

#include "engine/fioclient.h"

#include <QDir>
#include <QFile>
#include <QMultiHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace trevlamark {

struct FioServer
{
    FioClient client;
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    // `program` replaces fio, e.g. with a fake server that prints "listening".
    FioServer(const QString &host, int port, const QString &location, const QStringList &program = {})
    {
        client = FioClient{host, port, location};
        // A job whose parent exits before it does comes to this process instead of init,
        // so kill() still finds it.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
        const QStringList command = program.isEmpty()
            ? QStringList{QStringLiteral("fio"), QStringLiteral("--server=ip:%1,%2").arg(host).arg(port)}
            : program;
        process->start(command.first(), command.mid(1));
        process->waitForStarted();
        if (!program.isEmpty())
            process->waitForReadyRead(10000); // "listening"
        QTest::qWait(700);
    }
    ~FioServer() { kill(); }
    FioServer(const FioServer &) = delete;
    FioServer &operator=(const FioServer &) = delete;

    void kill()
    {
        if (process->state() == QProcess::NotRunning)
            return;
        // fio forks its workers and jobs without exec, and runs each job in a session
        // of its own, out of the server's group: they are the descendants of this
        // process that carry the server's command line (its port is unique). Stop what
        // is found and look again until nothing new appears, so a process forked while
        // we looked cannot slip out, then kill them all.
        const pid_t server = pid_t(process->processId());
        const QByteArray command = commandLine(server);
        QList<pid_t> stopped;
        for (bool more = true; more;) {
            more = false;
            for (const pid_t pid : descendants(::getpid())) {
                if (!stopped.contains(pid) && commandLine(pid) == command) {
                    ::kill(pid, SIGSTOP);
                    stopped.append(pid);
                    more = true;
                }
            }
        }
        for (const pid_t pid : stopped)
            ::kill(pid, SIGKILL);
        process->waitForFinished(5000);
        // Orphans that came to this process are its children now: reap them.
        for (const pid_t pid : stopped) {
            if (pid != server)
                ::waitpid(pid, nullptr, WNOHANG);
        }
    }

    static QByteArray commandLine(pid_t pid)
    {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QList<pid_t> descendants(pid_t root)
    {
        QMultiHash<pid_t, pid_t> children;
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool isProcess = false;
            const pid_t pid = pid_t(entry.toInt(&isProcess));
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!isProcess || !stat.open(QIODevice::ReadOnly))
                continue;
            // The parent is the second field after the name, which is in parentheses and may hold spaces.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1)
                children.insert(pid_t(fields.at(1).toInt()), pid);
        }
        QList<pid_t> found;
        QList<pid_t> pending{root};
        while (!pending.isEmpty()) {
            for (const pid_t child : children.values(pending.takeLast())) {
                found.append(child);
                pending.append(child);
            }
        }
        return found;
    }

    static int basePort() { return 20000 + int(QRandomGenerator::global()->bounded(20000)); }
};

} // namespace trevlamark
