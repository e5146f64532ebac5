// trevlamark-cli: the headless front end over the benchmark engine. Each
// subcommand is one row of the table below.

#include "cli/checkcommand.h"
#include "cli/commandoutput.h"
#include "cli/formatscommand.h"
#include "cli/historycommand.h"
#include "cli/interfacescommand.h"
#include "cli/monitorcommand.h"
#include "cli/playcommand.h"
#include "cli/runcommand.h"
#include "cli/sharescommand.h"
#include "cli/sweepcommand.h"
#include "platform/detachedthreads.h"
#include "settings/logswitches.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

struct Subcommand
{
    const char *name;
    const char *summary;
    int (*execute)(const QStringList &arguments);
};

const Subcommand kSubcommands[] = {
    {"run", "Run a streaming I/O test in a folder", &trevlamark::RunCommand::execute},
    {"check", "Check a folder for a run without running it", &trevlamark::CheckCommand::execute},
    {"play", "Play or record paced media streams and count late frames", &trevlamark::PlayCommand::execute},
    {"sweep", "Remove leftover test directories from a folder", &trevlamark::SweepCommand::execute},
    {"shares", "List the mounted network shares", &trevlamark::SharesCommand::execute},
    {"interfaces", "List the network interfaces", &trevlamark::InterfacesCommand::execute},
    {"monitor", "Show an interface's live traffic", &trevlamark::MonitorCommand::execute},
    {"formats", "List the media formats, add or remove your own", &trevlamark::FormatsCommand::execute},
    {"history", "List, show, compare, export or delete stored runs", &trevlamark::HistoryCommand::execute},
};

QString usageText()
{
    QString text = QStringLiteral("Usage: trevlamark-cli <command> [options]\n\nCommands:\n");
    for (const Subcommand &subcommand : kSubcommands)
        text += QStringLiteral("  %1  %2\n").arg(QLatin1String(subcommand.name), -10).arg(QLatin1String(subcommand.summary));
    text += QStringLiteral("\n\"trevlamark-cli <command> --help\" describes a command's options.\n");
    return text;
}

int runCommand(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trevlamark-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TREVLAMARK_VERSION));
    trevlamark::LogSwitches::apply();

    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    for (const Subcommand &subcommand : kSubcommands) {
        if (command == QLatin1String(subcommand.name))
            return subcommand.execute(arguments);
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        trevlamark::CommandOutput::write(stdout, usageText());
        return 0;
    }
    if (command == QLatin1String("--version")) {
        trevlamark::CommandOutput::write(stdout, QStringLiteral("trevlamark-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const QString problem = command.isEmpty() ? QStringLiteral("no command given")
                                              : QStringLiteral("unknown command \"%1\"").arg(command);
    trevlamark::CommandOutput::write(stderr, QStringLiteral("trevlamark-cli: %1\n\n").arg(problem) + usageText());
    return trevlamark::CommandOutput::invalidArgumentsExitStatus;
}

} // namespace

int main(int argc, char *argv[])
{
    return trevlamark::DetachedThreads::finishProcess(runCommand(argc, argv));
}
