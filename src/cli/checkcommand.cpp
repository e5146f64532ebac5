#include "cli/checkcommand.h"

#include "cli/cliarguments.h"
#include "cli/commandoutput.h"
#include "cli/runcommand.h"
#include "engine/preruncheck.h"

#include <QJsonDocument>
#include <QSaveFile>

namespace trevlamark {

int CheckCommand::execute(const QStringList &arguments)
{
    CliArguments cli;
    switch (cli.parseRun(arguments)) {
    case CliArguments::Outcome::ShowHelp:
        CommandOutput::write(stdout, QStringLiteral("Checks LOCATION for the run these options describe, without "
                                                    "running it.\n\n") + cli.helpText());
        return 0;
    case CliArguments::Outcome::Invalid:
        return CommandOutput::refuse(cli.errorText());
    case CliArguments::Outcome::Proceed:
        break;
    }
    const RunOptions &options = cli.runOptions();
    if (!options.request.clients.isEmpty())
        return CommandOutput::refuse(QStringLiteral("check looks at LOCATION from this computer; allowed: no --clients"));
    CommandOutput::routeDiagnostics(options.verbose);
    const TestRequest request = RunCommand::requestWithShare(options.request);
    const CheckReport report = PreRunCheck::run(request);
    // --json: the findings as JSON, to standard output ("-") instead of the text, or to a file beside it.
    if (!options.jsonPath.isEmpty()) {
        const QByteArray json = QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented);
        if (options.jsonPath == QLatin1String("-"))
            return CommandOutput::write(stdout, QString::fromUtf8(json)) ? (report.isRefused() ? refusedExitStatus : 0) : 1;
        QSaveFile file(options.jsonPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
            return CommandOutput::refuse(QStringLiteral("cannot write \"%1\": %2").arg(options.jsonPath, file.errorString()));
    }
    QStringList lines{QStringLiteral("Check of ") + request.testLocation()};
    for (const QString &line : report.lines())
        lines << QStringLiteral("  ") + line;
    lines << (report.isRefused() ? QStringLiteral("A run here would be refused.") : QStringLiteral("A run here can start."));
    if (!CommandOutput::writeLine(stdout, lines.join(QLatin1Char('\n'))))
        return 1;
    return report.isRefused() ? refusedExitStatus : 0;
}

} // namespace trevlamark
