#include "cli/sweepcommand.h"

#include "platform/logsink.h"
#include "settings/preferencesmanager.h"
#include "cli/commandoutput.h"
#include "engine/testdirectory.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace trevlamark {

int SweepCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Removes every test directory (Trevlamark_Test_Data and Trevlamark_Test_Data_*) from LOCATION, "
        "except those of tests still running here or on another computer."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Show the sweep's diagnostic lines on standard error."));
    parser.addOption(verboseOption);
    const QCommandLineOption forceOption(QStringLiteral("force"),
        QStringLiteral("Also remove the directories of tests that are still running."));
    parser.addOption(forceOption);
    parser.addPositionalArgument(QStringLiteral("sweep"), QStringLiteral("Remove leftover test directories."),
                                 QStringLiteral("sweep"));
    parser.addPositionalArgument(QStringLiteral("LOCATION"), QStringLiteral("Folder to clean up."));
    if (!parser.parse(arguments))
        return CommandOutput::refuse(parser.errorText() + QStringLiteral(" See trevlamark-cli sweep --help."));
    // Qt adds --help-all beside --help; both only show the help.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        CommandOutput::writeLine(stdout, parser.helpText());
        return 0;
    }
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.constFirst() == QLatin1String("sweep"))
        positional.removeFirst();
    if (positional.size() != 1)
        return CommandOutput::refuse(QStringLiteral("sweep needs exactly one LOCATION; allowed: an existing directory"));
    const QFileInfo info(positional.constFirst());
    if (!info.isDir())
        return CommandOutput::refuse(QStringLiteral("Location \"%1\" is not an existing directory; allowed: an existing directory")
                          .arg(positional.constFirst()));
    const QString location = QDir::cleanPath(info.absoluteFilePath());

    LogSink::setConsoleTarget(parser.isSet(verboseOption) ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
    // Seeds the log switches in the preference store, as the application does.
    const PreferencesManager preferences;

    const QStringList before = TestDirectory::leftovers(location);
    const QList<SkippedDirectory> skipped = TestDirectory::sweep(location, parser.isSet(forceOption));
    int exitStatus = 0;
    for (const QString &path : before) {
        const auto skip = std::find_if(skipped.cbegin(), skipped.cend(),
            [&path](const SkippedDirectory &directory) { return directory.path == path; });
        if (skip != skipped.cend()) {
            CommandOutput::writeLine(stdout, QStringLiteral("Skipped %1 (in use by %2)").arg(path, skip->owner));
        } else if (QFileInfo::exists(path)) {
            CommandOutput::writeLine(stderr, QStringLiteral("trevlamark-cli: could not remove \"%1\"").arg(path));
            exitStatus = 1;
        } else {
            CommandOutput::writeLine(stdout, QStringLiteral("Removed %1").arg(path));
        }
    }
    if (before.isEmpty())
        CommandOutput::writeLine(stdout, QStringLiteral("No test directories in %1").arg(location));
    return exitStatus;
}

} // namespace trevlamark
