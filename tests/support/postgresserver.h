#pragma once
// A throwaway PostgreSQL server for the history tests: Debian's initdb and
// postgres in a temporary folder, run as an unprivileged user when the tests
// run as root, listening only on a Unix socket in that folder.

#include "support/cliprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

class PostgresServer
{
public:
    static constexpr int port = 54329;

    ~PostgresServer()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        // SIGINT is the fast shutdown: open connections are closed at once.
        ::kill(pid_t(m_server.processId()), SIGINT);
        if (!m_server.waitForFinished(30000))
            m_server.kill();
    }

    // Empty on success, else why the server could not be started (the tests skip with it).
    QString start()
    {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin");
        if (!QFileInfo::exists(bin + QStringLiteral("/initdb")))
            return QStringLiteral("PostgreSQL 15 is not installed (Debian package postgresql)");
        if (!m_folder.isValid())
            return QStringLiteral("no temporary folder");
        if (::geteuid() == 0) {
            m_user = CliProcess::unprivilegedUser();
            if (!m_user || !CliProcess::giveTo(m_folder.path(), *m_user))
                return QStringLiteral("no unprivileged user to run PostgreSQL as");
        }
        const QString data = m_folder.path() + QStringLiteral("/data");
        QProcess initdb;
        startAs(initdb, bin + QStringLiteral("/initdb"),
            {"-D", data, "-U", "trevlamark", "--auth=trust", "--encoding=UTF8", "--no-sync"});
        if (!initdb.waitForFinished(120000) || initdb.exitCode() != 0)
            return QStringLiteral("initdb failed: ") + QString::fromLocal8Bit(initdb.readAllStandardError());
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.setStandardErrorFile(m_folder.path() + QStringLiteral("/server.log"));
        startAs(m_server, bin + QStringLiteral("/postgres"),
            {"-D", data, "-k", m_folder.path(), "-p", QString::number(port), "-c", "listen_addresses=",
                "-c", "fsync=off"});
        if (!m_server.waitForStarted())
            return QStringLiteral("postgres did not start");
        QElapsedTimer clock;
        clock.start();
        while (m_server.state() == QProcess::Running && clock.elapsed() < 60000) {
            const QStringList ready{"-q", "-h", m_folder.path(), "-p", QString::number(port), "-U", "trevlamark", "-d", "postgres"};
            if (QProcess::execute(bin + QStringLiteral("/pg_isready"), ready) == 0)
                return {};
            QThread::msleep(100);
        }
        return QStringLiteral("postgres did not get ready");
    }

    QString url() const
    {
        return QStringLiteral("postgresql://trevlamark@localhost:%1/postgres?host=%2").arg(port).arg(m_folder.path());
    }

private:
    void startAs(QProcess &process, const QString &program, const QStringList &arguments)
    {
        if (!m_user) {
            process.start(program, arguments);
        } else {
            process.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--reuid=%1").arg(m_user->first),
                    QStringLiteral("--regid=%1").arg(m_user->second), QStringLiteral("--clear-groups"),
                    QStringLiteral("--"), program}
                    + arguments);
        }
        process.waitForStarted();
    }

    QTemporaryDir m_folder{QStringLiteral("/tmp/trevlamark-pg-XXXXXX")};
    std::optional<CliProcess::User> m_user;
    QProcess m_server;
};
