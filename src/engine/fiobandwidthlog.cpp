#include "engine/fiobandwidthlog.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace trevlamark {

FioBandwidthLog::FioBandwidthLog(qint64 intervalMilliseconds)
    : m_intervalMilliseconds(std::max<qint64>(1, intervalMilliseconds))
{
}

void FioBandwidthLog::addJob(const QByteArray &log, qint64 offsetMilliseconds)
{
    struct Sum
    {
        double kibPerSecond = 0;
        int count = 0;
    };
    QMap<qint64, Sum> job;
    for (const QByteArray &line : log.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() < 2)
            continue;
        bool timeOk = false;
        bool rateOk = false;
        const qint64 milliseconds = fields.at(0).trimmed().toLongLong(&timeOk);
        const double kibPerSecond = fields.at(1).trimmed().toDouble(&rateOk);
        if (!timeOk || !rateOk || milliseconds < 0 || !std::isfinite(kibPerSecond) || kibPerSecond < 0)
            continue;
        const auto interval = qint64(std::llround(double(milliseconds + offsetMilliseconds) / double(m_intervalMilliseconds)));
        Sum &sum = job[interval];
        sum.kibPerSecond += kibPerSecond;
        ++sum.count;
    }
    for (auto it = job.cbegin(); it != job.cend(); ++it)
        m_totals[it.key()] += it->kibPerSecond / it->count / 1024.0;
}

} // namespace trevlamark
