#include "cli/progressreporter.h"

namespace trevlamark {

namespace {
// Carriage return, then erase to the end of the line.
const QString kClearLine = QStringLiteral("\r\x1b[K");
}

ProgressReporter::ProgressReporter(Mode mode, qint64 plainIntervalMilliseconds)
    : m_mode(mode)
    , m_plainIntervalMilliseconds(plainIntervalMilliseconds)
{
}

QString ProgressReporter::update(const QString &line, qint64 elapsedMilliseconds)
{
    switch (m_mode) {
    case Mode::Quiet:
        return {};
    case Mode::Terminal:
        m_lineOpen = true;
        return kClearLine + line;
    case Mode::Plain:
        if (m_lastPlainMilliseconds && elapsedMilliseconds - *m_lastPlainMilliseconds < m_plainIntervalMilliseconds)
            return {};
        m_lastPlainMilliseconds = elapsedMilliseconds;
        return line + QLatin1Char('\n');
    }
    return {};
}

QString ProgressReporter::finish()
{
    if (!m_lineOpen)
        return {};
    m_lineOpen = false;
    return kClearLine;
}

} // namespace trevlamark
