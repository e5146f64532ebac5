#include "settings/console.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <unistd.h>

namespace trevlamark {

namespace {
std::atomic<Console::Target> g_target{Console::Target::StandardOutput};
}

void Console::setTarget(Target target)
{
    g_target.store(target);
}

Console::Target Console::target()
{
    return g_target.load();
}

void Console::print(const QString &line)
{
    const Target current = g_target.load();
    if (current == Target::Discard)
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    const int fd = current == Target::StandardError ? STDERR_FILENO : STDOUT_FILENO;
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

QString Console::number(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, error == std::errc() ? end - buffer : 0);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

} // namespace trevlamark
