#pragma once
// fio's per-interval bandwidth log, which a server sends back to its client
// when a job ends: one line per interval, "msec, KiB/s, direction, block
// size, offset". Adds up every job's log into the throughput per interval.

#include <QByteArray>
#include <QMap>

namespace trevlamark {

class FioBandwidthLog
{
public:
    explicit FioBandwidthLog(qint64 intervalMilliseconds);

    // One job's log, whose times count from offsetMilliseconds after the
    // phase's start. Entries that fall in the same interval are averaged;
    // lines that are not entries are skipped.
    void addJob(const QByteArray &log, qint64 offsetMilliseconds);

    // Per interval index (time / interval, rounded), the sum of the jobs'
    // rates in MB/s (1 MB = 1,048,576 bytes).
    const QMap<qint64, double> &totals() const { return m_totals; }
    qint64 intervalMilliseconds() const { return m_intervalMilliseconds; }

private:
    qint64 m_intervalMilliseconds;
    QMap<qint64, double> m_totals;
};

} // namespace trevlamark
