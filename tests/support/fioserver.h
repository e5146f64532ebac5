#pragma once
// A real `fio --server` on a loopback address, in a process group of its own,
// so that killing it takes the connection's worker with it, as when its
// machine goes down.

#include "engine/fioclient.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <memory>
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
        if (process->state() != QProcess::NotRunning) {
            ::kill(-pid_t(process->processId()), SIGKILL);
            process->waitForFinished(5000);
        }
    }

    static int basePort() { return 20000 + int(QRandomGenerator::global()->bounded(20000)); }
};

} // namespace trevlamark
