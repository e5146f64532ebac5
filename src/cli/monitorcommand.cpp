#include "cli/monitorcommand.h"

#include "cli/commandoutput.h"
#include "discovery/sharemanager.h"
#include "monitor/networkinterfacemonitor.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTimer>
#include <cmath>
#include <csignal>

namespace trevlamark {

namespace {
// Long enough for any interval the command accepts; the history is not shown.
constexpr double historySeconds = 3600;
// QTimer counts in milliseconds as a signed int.
constexpr double longestSeconds = 2000000;
} // namespace

std::optional<double> MonitorCommand::parseSeconds(const QString &text)
{
    bool ok = false;
    const double seconds = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.001 || seconds > longestSeconds)
        return std::nullopt;
    return seconds;
}

QString MonitorCommand::sampleLine(const NetworkTrafficSample &sample)
{
    return QStringLiteral("%1  in %2 MB/s  out %3 MB/s")
        .arg(sample.timestamp.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz")))
        .arg(sample.throughputIn, 10, 'f', 2)
        .arg(sample.throughputOut, 10, 'f', 2);
}

int MonitorCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the inbound and outbound traffic of DEVICE (default: the interface of the default route), one line "
        "per sample, until the duration ends or Ctrl-C."));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Seconds between samples (default 1)."),
                                            QStringLiteral("SECONDS"), QStringLiteral("1"));
    const QCommandLineOption durationOption(QStringLiteral("duration"),
                                            QStringLiteral("Stop after this many seconds (default: run until Ctrl-C)."),
                                            QStringLiteral("SECONDS"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Show the sampler's diagnostic lines on standard error."));
    parser.addOptions({intervalOption, durationOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("monitor"), QStringLiteral("Watch an interface's traffic."),
                                 QStringLiteral("monitor"));
    parser.addPositionalArgument(QStringLiteral("DEVICE"), QStringLiteral("Network device, e.g. eth0."),
                                 QStringLiteral("[DEVICE]"));
    int exitStatus = 0;
    if (!CommandOutput::parse(parser, arguments, QStringLiteral("monitor"), &exitStatus))
        return exitStatus;
    if (CommandOutput::positionalCount(parser, QStringLiteral("monitor")) > 1)
        return CommandOutput::refuse(QStringLiteral("monitor takes at most one DEVICE"));
    const std::optional<double> interval = parseSeconds(parser.value(intervalOption));
    if (!interval)
        return CommandOutput::refuse(QStringLiteral("--interval \"%1\" is not allowed; allowed: seconds from 0.001 to %2")
                                         .arg(parser.value(intervalOption))
                                         .arg(longestSeconds, 0, 'f', 0));
    std::optional<double> duration;
    if (parser.isSet(durationOption)) {
        duration = parseSeconds(parser.value(durationOption));
        if (!duration)
            return CommandOutput::refuse(
                QStringLiteral("--duration \"%1\" is not allowed; allowed: seconds from 0.001 to %2")
                    .arg(parser.value(durationOption))
                    .arg(longestSeconds, 0, 'f', 0));
    }
    CommandOutput::routeDiagnostics(parser.isSet(verboseOption));

    ShareManager manager;
    QString device = CommandOutput::positionalAfter(parser, QStringLiteral("monitor"), 0);
    if (device.isEmpty())
        device = manager.getDefaultRouteInterface();
    if (!manager.allInterfaceNames().contains(device))
        return CommandOutput::refuse(QStringLiteral("there is no network device \"%1\"; allowed: %2")
                                         .arg(device, manager.allInterfaceNames().join(QStringLiteral(", "))));
    // A reader that goes away (`| head`) ends the command through a failed write.
    std::signal(SIGPIPE, SIG_IGN);

    NetworkInterfaceMonitor monitor(&manager, *interval, historySeconds);
    int status = 0;
    QUuid lastShown;
    QObject::connect(&monitor, &NetworkInterfaceMonitor::trafficSamplesChanged, &monitor, [&] {
        const QList<NetworkTrafficSample> samples = monitor.trafficSamples();
        if (samples.isEmpty() || samples.last().id == lastShown)
            return;
        lastShown = samples.last().id;
        if (!CommandOutput::writeLine(stdout, sampleLine(samples.last()))) {
            status = 1;
            QCoreApplication::quit();
        }
    });
    if (!CommandOutput::writeLine(stdout, QStringLiteral("Monitoring %1 every %2 s (MB/s = 1,048,576 bytes per second)")
                                              .arg(device)
                                              .arg(*interval)))
        return 1;
    monitor.startMonitoring(device);
    if (duration)
        QTimer::singleShot(int(std::lround(*duration * 1000)), &monitor, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    monitor.stopMonitoring();
    return status;
}

} // namespace trevlamark
