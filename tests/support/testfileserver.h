#pragma once
// The test file server of tests/netshare/up and down, for the suites that run
// against real shares. Each suite gives its own namespace, addresses and
// folders through the scripts' environment, so suites never share a server.

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <csignal>
#include <unistd.h>

class TestFileServer
{
public:
    // overrides: the scripts' variables (NS, HV, SV, HIP, SIP, STATE, MNT,
    // WITH_DAV, WITH_SMB, ...); none gives the scripts' defaults.
    TestFileServer(QString stateDirectory, QHash<QString, QString> overrides = {})
        : m_stateDirectory(std::move(stateDirectory))
        , m_overrides(std::move(overrides))
    {
        m_overrides.insert(QStringLiteral("STATE"), m_stateDirectory);
    }

    // Why this machine cannot serve the shares, or nothing when it can.
    static std::optional<QString> missingPrerequisite(std::initializer_list<const char *> tools)
    {
        if (::geteuid() != 0)
            return QStringLiteral("the test file server needs root (network namespace, mounts)");
        if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
            return QStringLiteral("the shares are FUSE mounts and /dev/fuse is missing");
        const QStringList folders{QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin"),
                                  QStringLiteral("/bin")};
        for (const char *tool : tools) {
            if (QStandardPaths::findExecutable(QLatin1String(tool), folders).isEmpty())
                return QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)").arg(tool);
        }
        return std::nullopt;
    }

    // Clears what an earlier, interrupted suite left, then starts the server.
    // A server slow to start is the usual cause of a failure, and up undoes
    // its own part, so one more attempt follows. output gets every script's log.
    bool up(QString *output)
    {
        QString log;
        runScript("down", &log);
        m_isUp = runScript("up", &log);
        if (!m_isUp)
            m_isUp = runScript("up", &log);
        *output = log;
        return m_isUp && readEnvironment();
    }

    bool down(QString *output)
    {
        if (!m_isUp) {
            output->clear();
            return true;
        }
        output->clear();
        m_isUp = false;
        return runScript("down", output);
    }

    bool isUp() const { return m_isUp; }
    QString stateDirectory() const { return m_stateDirectory; }

    // A value of the environment file up writes (NETSHARE_SSHFS, ...).
    QString value(const QString &key) const { return m_environment.value(key); }

    // The pid files the scripts keep for each server process; down stops what they name.
    pid_t recordedPid(const QString &name) const
    {
        QFile file(m_stateDirectory + QStringLiteral("/pid/") + name);
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
    }

    bool recordPid(const QString &name, qint64 pid) const
    {
        QFile file(m_stateDirectory + QStringLiteral("/pid/") + name);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(QByteArray::number(pid) + '\n') > 0;
    }

    // Sends signal to a recorded server process and every process below it
    // (the sessions that serve the mounted connections); SIGSTOP makes a
    // server that keeps its connections open and answers nothing.
    bool signalServer(const QString &name, int signal) const
    {
        QList<pid_t> tree{recordedPid(name)};
        if (tree.first() <= 0)
            return false;
        for (qsizetype i = 0; i < tree.size(); ++i) {
            QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tree.at(i)));
            if (children.open(QIODevice::ReadOnly)) {
                for (const QByteArray &field : children.readAll().split(' ')) {
                    if (const int child = field.trimmed().toInt(); child > 0)
                        tree.append(pid_t(child));
                }
            }
        }
        bool all = true;
        for (const pid_t pid : tree)
            all = ::kill(pid, signal) == 0 && all;
        return all;
    }

private:
    bool runScript(const char *name, QString *output) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (auto it = m_overrides.cbegin(); it != m_overrides.cend(); ++it)
            environment.insert(it.key(), it.value());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("/bin/bash"),
                      {QStringLiteral(TREVLAMARK_SOURCE_DIR "/tests/netshare/") + QLatin1String(name)});
        const bool finished = process.waitForFinished(180000);
        *output += QString::fromUtf8(process.readAll());
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    bool readEnvironment()
    {
        QFile file(m_stateDirectory + QStringLiteral("/env"));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0)
                m_environment.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
        }
        return true;
    }

    QString m_stateDirectory;
    QHash<QString, QString> m_overrides;
    QHash<QString, QString> m_environment;
    bool m_isUp = false;
};
