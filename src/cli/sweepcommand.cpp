#include "cli/sweepcommand.h"

#include "platform/logsink.h"
#include "settings/preferencesmanager.h"
#include "engine/testdirectorysweeper.h"
#include "engine/performancetestmanager.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace trevlamark {

namespace {

constexpr int kInvalidArgumentsExitStatus = 2;

void writeLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int refuse(const QString &text)
{
    writeLine(stderr, QStringLiteral("trevlamark-cli: ") + text);
    return kInvalidArgumentsExitStatus;
}

} // namespace

QStringList SweepCommand::testDirectories(const QString &location)
{
    const QString fixedName = QLatin1String(PerformanceTestManager::testFolderName);
    const QString prefix = fixedName + QLatin1Char('_');
    QStringList paths;
    const QFileInfoList entries = QDir(location).entryInfoList(
        QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        // The fixed name goes whatever it is; prefixed entries only when they are directories.
        if (entry.fileName() == fixedName || (entry.fileName().startsWith(prefix) && entry.isDir()))
            paths.append(QDir(location).filePath(entry.fileName()));
    }
    return paths;
}

int SweepCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Removes every test directory (Trevlamark_Test_Data and Trevlamark_Test_Data_*) from LOCATION."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Show the sweep's diagnostic lines on standard error."));
    parser.addOption(verboseOption);
    parser.addPositionalArgument(QStringLiteral("sweep"), QStringLiteral("Remove leftover test directories."),
                                 QStringLiteral("sweep"));
    parser.addPositionalArgument(QStringLiteral("LOCATION"), QStringLiteral("Folder to clean up."));
    if (!parser.parse(arguments))
        return refuse(parser.errorText() + QStringLiteral(" See trevlamark-cli sweep --help."));
    // Qt adds --help-all beside --help; both only show the help.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        writeLine(stdout, parser.helpText());
        return 0;
    }
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.constFirst() == QLatin1String("sweep"))
        positional.removeFirst();
    if (positional.size() != 1)
        return refuse(QStringLiteral("sweep needs exactly one LOCATION; allowed: an existing directory"));
    const QFileInfo info(positional.constFirst());
    if (!info.isDir())
        return refuse(QStringLiteral("Location \"%1\" is not an existing directory; allowed: an existing directory")
                          .arg(positional.constFirst()));
    const QString location = QDir::cleanPath(info.absoluteFilePath());

    LogSink::setConsoleTarget(parser.isSet(verboseOption) ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
    // Seeds the log switches in the preference store, as the application does.
    const PreferencesManager preferences;

    const QStringList before = testDirectories(location);
    TestDirectorySweeper::cleanupTestDirectories(location);
    int exitStatus = 0;
    for (const QString &path : before) {
        if (QFileInfo::exists(path)) {
            writeLine(stderr, QStringLiteral("trevlamark-cli: could not remove \"%1\"").arg(path));
            exitStatus = 1;
        } else {
            writeLine(stdout, QStringLiteral("Removed %1").arg(path));
        }
    }
    if (before.isEmpty())
        writeLine(stdout, QStringLiteral("No test directories in %1").arg(location));
    return exitStatus;
}

} // namespace trevlamark
