#pragma once
// `trevlamark-cli monitor [DEVICE] [--interval SECONDS] [--duration SECONDS]`:
// live inbound and outbound MB/s of one interface, one line per sample.

#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

struct NetworkTrafficSample;

class MonitorCommand
{
public:
    // `arguments` as the process received them (program, "monitor", ...); returns the exit status.
    static int execute(const QStringList &arguments);

    // A positive, finite number of seconds; nothing otherwise.
    static std::optional<double> parseSeconds(const QString &text);
    static QString sampleLine(const NetworkTrafficSample &sample);
};

} // namespace trevlamark
