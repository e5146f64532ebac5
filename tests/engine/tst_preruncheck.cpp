// The check before a run: whether the run's data fits, and whether the
// location honours O_DIRECT, on small volumes of the test's own.

#include "engine/preruncheck.h"
#include "support/scratchvolume.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace trevlamark;

class tst_PreRunCheck : public QObject
{
    Q_OBJECT
private slots:
    void spaceFinding_data();
    void spaceFinding();
    void smallTmpfsRefusesTheRun();
    void cliRefusesBeforeWriting();
    void directIoProbe_data();
    void directIoProbe();
};

void tst_PreRunCheck::spaceFinding_data()
{
    QTest::addColumn<quint64>("needed");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("available");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    const qint64 gib = 1LL << 30;
    QTest::newRow("does not fit") << quint64(16 * gib) << 100 * gib << qint64(3.2 * gib)
                                  << "needs 16.00 GiB, 3.20 GiB free on /mnt/x" << true;
    QTest::newRow("fits") << quint64(gib) << 100 * gib << 3 * gib << "needs 1.00 GiB, 3.00 GiB free" << false;
    QTest::newRow("exactly fits") << quint64(gib) << 100 * gib << gib << "needs 1.00 GiB, 1.00 GiB free" << false;
    QTest::newRow("no size known") << quint64(gib) << qint64(0) << qint64(0)
                                   << "free space unknown; the run needs 1.00 GiB" << false;
}

void tst_PreRunCheck::spaceFinding()
{
    QFETCH(quint64, needed);
    QFETCH(qint64, total);
    QFETCH(qint64, available);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    const std::optional<CheckReport::Finding> finding =
        PreRunCheck::spaceFinding(needed, VolumeCapacity{total, available}, QStringLiteral("/mnt/x"));
    QVERIFY(finding);
    QCOMPARE(finding->text, text);
    QCOMPARE(finding->severity == CheckReport::Severity::refusal, refused);
}

void tst_PreRunCheck::smallTmpfsRefusesTheRun()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=8m")))
        QSKIP(qPrintable(*problem));
    TestRequest request;
    request.locationPath = volume.mountPoint();
    request.bytesPerCycle = BytesPerCycleOptions::custom;
    request.customBytesPerCycle = 64ULL << 20;
    request.totalCycles = 2;

    // Every write cycle's files stay until the run ends.
    QCOMPARE(PreRunCheck::neededBytes(request), (128ULL << 20) + 8 * 1024 * 3);
    const CheckReport report = PreRunCheck::run(request);
    QVERIFY(report.isRefused());
    QVERIFY2(report.refusalText().startsWith(QStringLiteral("needs 128.02 MiB, 8.00 MiB free on ") + volume.mountPoint()),
             qPrintable(report.refusalText()));
    QVERIFY2(report.lines().contains(QStringLiteral("Where: local folder on tmpfs, mounted at ") + volume.mountPoint()),
             qPrintable(report.lines().join(QLatin1Char('\n'))));
    // The probe leaves nothing behind.
    QVERIFY(QDir(volume.mountPoint()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    // Read-only, the folder cannot take a file at all.
    QVERIFY(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", volume.mountPoint()}) == 0);
    request.customBytesPerCycle = 1ULL << 20;
    const CheckReport readOnly = PreRunCheck::run(request);
    QVERIFY2(readOnly.refusalText().contains(QStringLiteral("cannot create a file in %1: Read-only file system")
                                                 .arg(volume.mountPoint())),
             qPrintable(readOnly.refusalText()));
}

void tst_PreRunCheck::cliRefusesBeforeWriting()
{
    ScratchVolume volume;
    if (const std::optional<QString> problem = volume.mountTmpfs(QStringLiteral("size=8m")))
        QSKIP(qPrintable(*problem));
    const QString refusal = QStringLiteral("needs 64.02 MiB, 8.00 MiB free on ") + volume.mountPoint();
    QProcess run;
    run.start(QStringLiteral(TREVLAMARK_CLI_PATH), {"run", "--bytes", "64MB", "--no-history", volume.mountPoint()});
    QVERIFY(run.waitForFinished(30000));
    QCOMPARE(run.exitCode(), 1);
    const QString errors = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(errors.contains(QStringLiteral("trevlamark-cli: Refused: ") + refusal), qPrintable(errors));
    QVERIFY(QDir(volume.mountPoint()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    QProcess check;
    check.start(QStringLiteral(TREVLAMARK_CLI_PATH), {"check", "--bytes", "64MB", volume.mountPoint()});
    QVERIFY(check.waitForFinished(30000));
    QCOMPARE(check.exitCode(), 1);
    const QString report = QString::fromUtf8(check.readAllStandardOutput());
    QVERIFY2(report.contains(QStringLiteral("  Space: Refused: ") + refusal + QLatin1Char('\n')), qPrintable(report));
    QVERIFY(report.endsWith(QStringLiteral("A run here would be refused.\n")));
    QProcess json;
    json.start(QStringLiteral(TREVLAMARK_CLI_PATH), {"check", "--bytes", "64MB", "--json", "-", volume.mountPoint()});
    QVERIFY(json.waitForFinished(30000));
    QCOMPARE(json.exitCode(), 1);
    QCOMPARE(QJsonDocument::fromJson(json.readAllStandardOutput()).object().value("refusal").toString(), refusal);
}

void tst_PreRunCheck::directIoProbe_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::addColumn<bool>("honoured");
    // tmpfs honours O_DIRECT since Linux 6.6 and refused it before; ramfs never has.
    QTest::newRow("ramfs") << "ramfs" << false;
    QTest::newRow("ext4") << "ext4" << true;
}

void tst_PreRunCheck::directIoProbe()
{
    QFETCH(QString, filesystem);
    QFETCH(bool, honoured);
    ScratchVolume volume;
    if (const std::optional<QString> problem = filesystem == QLatin1String("ext4") ? volume.mountExt4(32LL << 20)
                                                                                    : volume.mountRamfs())
        QSKIP(qPrintable(*problem));
    const PreRunCheck::Probe probe = PreRunCheck::probe(volume.mountPoint());
    QCOMPARE(probe.createError, 0);
    QCOMPARE(probe.directHonoured, honoured);
    QCOMPARE(probe.directError, honoured ? 0 : EINVAL);
    TestRequest request;
    request.locationPath = volume.mountPoint();
    request.bytesPerCycle = BytesPerCycleOptions::custom;
    request.customBytesPerCycle = 1ULL << 20;
    const QStringList lines = PreRunCheck::run(request).lines();
    QVERIFY2(lines.contains(honoured ? QStringLiteral("Direct I/O: O_DIRECT honoured: the figures bypass this computer's cache")
                                     : QStringLiteral("Direct I/O: Hint: O_DIRECT refused here (Invalid argument): the "
                                                      "figures will include this computer's cache")),
             qPrintable(lines.join(QLatin1Char('\n'))));
    QVERIFY(QDir(volume.mountPoint()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_GUILESS_MAIN(tst_PreRunCheck)
#include "tst_preruncheck.moc"
