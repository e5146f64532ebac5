#pragma once
// Decides what the live status looks like: one line rewritten in place on a
// terminal, plain lines at most once per interval in a log, or nothing.

#include <QString>
#include <optional>

namespace trevlamark {

class ProgressReporter
{
public:
    enum class Mode { Terminal, Plain, Quiet };

    explicit ProgressReporter(Mode mode, qint64 plainIntervalMilliseconds = 1000);

    // The text to write for a new status at `elapsedMilliseconds` (a steady
    // clock); empty when nothing should be written now.
    QString update(const QString &line, qint64 elapsedMilliseconds);
    // The text that clears an in-place status line before other output.
    QString finish();

private:
    Mode m_mode;
    qint64 m_plainIntervalMilliseconds;
    std::optional<qint64> m_lastPlainMilliseconds;
    bool m_lineOpen = false;
};

} // namespace trevlamark
