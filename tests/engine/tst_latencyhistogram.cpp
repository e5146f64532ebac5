// Percentiles from the bucketed histogram against a sorted reference.

#include "engine/latencyhistogram.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <vector>

using namespace trevlamark;

class tst_LatencyHistogram : public QObject
{
    Q_OBJECT

private slots:
    void percentilesMatchSortedReference();
};

void tst_LatencyHistogram::percentilesMatchSortedReference()
{
    QRandomGenerator random(1234);
    // Two workers' worth, merged as a phase merges them: log-uniform from
    // 100 ns to about 100 s, so every band of buckets is used.
    LatencyHistogram first;
    LatencyHistogram second;
    std::vector<quint64> values;
    for (int i = 0; i < 100000; ++i) {
        const quint64 value = quint64(std::pow(10.0, 2.0 + 9.0 * random.generateDouble()));
        values.push_back(value);
        (i % 2 ? first : second).record(value);
    }
    first.merge(second);
    std::sort(values.begin(), values.end());
    QCOMPARE(first.count(), quint64(values.size()));
    QCOMPARE(first.maximumNanoseconds(), values.back());
    for (const double fraction : {0.001, 0.5, 0.9, 0.99, 0.999, 1.0}) {
        const quint64 reference = values[size_t(std::ceil(fraction * double(values.size()))) - 1];
        const quint64 estimate = first.percentileNanoseconds(fraction);
        QVERIFY2(std::abs(double(estimate) - double(reference)) <= double(reference) / 256 + 1,
            qPrintable(QStringLiteral("p%1: %2 against %3").arg(fraction * 100).arg(estimate).arg(reference)));
    }
    QCOMPARE(LatencyHistogram().percentileNanoseconds(0.5), quint64(0));
}

QTEST_GUILESS_MAIN(tst_LatencyHistogram)
#include "tst_latencyhistogram.moc"
