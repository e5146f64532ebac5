#pragma once
// Runs the built trevlamark-cli as a child process: with a home folder of the
// test's own (or the test's), optionally as an unprivileged user, and waits
// for what it printed and how it ended.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

class CliProcess
{
public:
    using User = std::pair<uid_t, gid_t>;

    struct Outcome
    {
        bool finished = false;
        QProcess::ExitStatus exitStatus = QProcess::CrashExit;
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    // HOME and the XDG folders inside home; an empty home keeps the test's own.
    static QProcessEnvironment environmentFor(const QString &home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (home.isEmpty())
            return environment;
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        return environment;
    }

    static bool start(QProcess &process, const QStringList &arguments, const QString &home = QString(),
        std::optional<User> user = std::nullopt)
    {
        process.setProcessEnvironment(environmentFor(home));
        if (user) {
            process.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--reuid=%1").arg(user->first), QStringLiteral("--regid=%1").arg(user->second),
                    QStringLiteral("--clear-groups"), QStringLiteral("--"), QStringLiteral(TREVLAMARK_CLI_PATH)}
                    + arguments);
        } else {
            process.start(QStringLiteral(TREVLAMARK_CLI_PATH), arguments);
        }
        return process.waitForStarted();
    }

    static Outcome finish(QProcess &process, int timeoutMs = 120000)
    {
        Outcome outcome;
        outcome.finished = process.waitForFinished(timeoutMs);
        outcome.exitStatus = process.exitStatus();
        outcome.exitCode = outcome.exitStatus == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.standardOutput = process.readAllStandardOutput();
        outcome.standardError = process.readAllStandardError();
        return outcome;
    }

    static Outcome run(const QStringList &arguments, const QString &home = QString(),
        std::optional<User> user = std::nullopt)
    {
        QProcess process;
        if (!start(process, arguments, home, user)) {
            Outcome outcome;
            outcome.standardError = "could not start: " + process.errorString().toUtf8();
            return outcome;
        }
        return finish(process);
    }

    // An account without privileges for the runs that must not be root; made
    // once and kept, like any system account. Nothing when not root.
    static std::optional<User> unprivilegedUser()
    {
        static const char *const name = "trevlamark-test";
        if (::geteuid() != 0)
            return std::nullopt;
        if (!::getpwnam(name)) {
            QProcess::execute(QStringLiteral("useradd"),
                {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", QString::fromLatin1(name)});
        }
        const passwd *entry = ::getpwnam(name);
        if (!entry)
            return std::nullopt;
        return User{entry->pw_uid, entry->pw_gid};
    }

    static bool giveTo(const QString &path, User user)
    {
        return ::chown(QFile::encodeName(path).constData(), user.first, user.second) == 0;
    }

    // The entries of location whose names start like a test directory's.
    static QStringList testDirectories(const QString &location)
    {
        return QDir(location).entryList({QStringLiteral("Trevlamark_Test_Data*")},
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};
