#include "engine/fiostatusparser.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace trevlamark {

namespace {

// Field positions of fio's terse format, version 3.
constexpr int terseJobName = 2;
constexpr int terseError = 4;
constexpr int terseReadKilobytes = 5;
constexpr int terseReadMilliseconds = 8;
constexpr int terseWriteKilobytes = 46;
constexpr int terseWriteMilliseconds = 49;

} // namespace

void FioStatusParser::feed(const QByteArray &output)
{
    m_pending += output;
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const char c = m_pending.at(i);
        if (c != '\n' && c != '\r')
            continue;
        parseLine(QString::fromUtf8(m_pending.mid(start, i - start)));
        start = i + 1;
    }
    m_pending.remove(0, start);
}

void FioStatusParser::finish()
{
    if (!m_pending.isEmpty())
        parseLine(QString::fromUtf8(m_pending));
    m_pending.clear();
}

quint64 FioStatusParser::bytes(Phase phase) const
{
    quint64 total = 0;
    for (const JobFigures &job : m_jobs)
        total += phase == Phase::Write ? job.writeBytes : job.readBytes;
    return total;
}

qint64 FioStatusParser::runtimeMilliseconds(Phase phase) const
{
    qint64 longest = 0;
    for (const JobFigures &job : m_jobs)
        longest = std::max(longest, phase == Phase::Write ? job.writeMilliseconds : job.readMilliseconds);
    return longest;
}

std::optional<QString> FioStatusParser::jobError() const
{
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it) {
        if (it->error != 0)
            return QStringLiteral("%1: error %2").arg(it.key()).arg(it->error);
    }
    return std::nullopt;
}

std::optional<double> FioStatusParser::parseRate(const QString &text)
{
    // fio writes a rate under 10 MiB/s with a small k ("6150k").
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d+(?:\.\d+)?)([kKMGTP]?)(?:iB|B)?(?:/s)?$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    // fio counts in powers of 1024 unless told otherwise.
    const QString prefix = match.captured(2).toUpper();
    const int power = QStringLiteral(" KMGTP").indexOf(prefix.isEmpty() ? QStringLiteral(" ") : prefix);
    double value = match.captured(1).toDouble();
    for (int i = 0; i < power; ++i)
        value *= 1024.0;
    return value;
}

void FioStatusParser::parseLine(const QString &line)
{
    static const QRegularExpression versionPattern(QStringLiteral(R"(\bfio=(fio-[^,\s]+))"));
    static const QRegularExpression percentPattern(QStringLiteral(R"(\]\[(\d+(?:\.\d+)?)%\])"));
    static const QRegularExpression ratePattern(QStringLiteral(R"(\[[rw]=([^\],]+)(?:,\s*w=([^\]]+))?\])"));

    if (line.startsWith(QLatin1String("3;"))) {
        const QStringList fields = line.split(QLatin1Char(';'));
        if (fields.size() <= terseWriteKilobytes || fields.at(terseJobName) == QLatin1String("All clients"))
            return;
        JobFigures &job = m_jobs[fields.at(terseJobName)];
        job.error = fields.at(terseError).toInt();
        job.readBytes = fields.at(terseReadKilobytes).toULongLong() * 1024;
        job.writeBytes = fields.at(terseWriteKilobytes).toULongLong() * 1024;
        job.readMilliseconds = fields.at(terseReadMilliseconds).toLongLong();
        job.writeMilliseconds = fields.at(terseWriteMilliseconds).toLongLong();
        return;
    }
    if (const QRegularExpressionMatch version = versionPattern.match(line); version.hasMatch()) {
        m_serverVersion = version.captured(1);
        return;
    }
    if (!line.contains(QLatin1String("Jobs:")))
        return;
    if (const QRegularExpressionMatch percent = percentPattern.match(line); percent.hasMatch())
        m_percentDone = percent.captured(1).toDouble();
    if (const QRegularExpressionMatch rate = ratePattern.match(line); rate.hasMatch()) {
        double total = 0;
        for (int group = 1; group <= 2; ++group)
            total += parseRate(rate.captured(group)).value_or(0.0);
        m_bytesPerSecond = total;
    }
}

} // namespace trevlamark
