#pragma once
// Reads what one `fio --client` process prints with terse output: the server's
// greeting with its fio version, the status line fio refreshes about once a
// second (percent done, current rate), and the terse line of each job with
// its bytes so far; fio prints a job's last terse line when the job ends.

#include "engine/phase.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace trevlamark {

class FioStatusParser
{
public:
    // Takes output in any pieces; a line ends at "\n" or "\r".
    void feed(const QByteArray &output);
    // Reads a last line that had no end.
    void finish();

    // "fio-3.33" from the greeting a client prints in its normal output.
    QString serverVersion() const { return m_serverVersion; }
    // The latest status line's figures.
    std::optional<double> percentDone() const { return m_percentDone; }
    double bytesPerSecond() const { return m_bytesPerSecond; }
    // The sum of every job's bytes in its latest terse line.
    quint64 bytes(Phase phase) const;
    // The longest of the jobs' run times in their latest terse line, in milliseconds.
    qint64 runtimeMilliseconds(Phase phase) const;
    int jobsReported() const { return int(m_jobs.size()); }
    // The first job that reported an error number, as "job: error n".
    std::optional<QString> jobError() const;

    // The status line's rate text ("409M", "1.2G", "512K", "0") in bytes per second.
    static std::optional<double> parseRate(const QString &text);

private:
    struct JobFigures
    {
        quint64 readBytes = 0;
        quint64 writeBytes = 0;
        qint64 readMilliseconds = 0;
        qint64 writeMilliseconds = 0;
        int error = 0;
    };

    void parseLine(const QString &line);

    QByteArray m_pending;
    QString m_serverVersion;
    std::optional<double> m_percentDone;
    double m_bytesPerSecond = 0;
    QHash<QString, JobFigures> m_jobs;
};

} // namespace trevlamark
