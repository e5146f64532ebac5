// The bytes on the wire beside the run's own, on a real sshfs share whose
// veth carries nothing but the test's traffic: the live samples keep the
// interface's rate and come back out of the history as CSV, and shaping the
// link slows the run and the wire alike. The server runs in a namespace of
// its own, so this suite can run beside the other share suites.

#include "support/cliprocess.h"
#include "support/testfileserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNamespace = QStringLiteral("tvlwire");
const QString kHostVeth = QStringLiteral("tvlwh0");
const QString kServerVeth = QStringLiteral("tvlws0");
constexpr double kMegabyte = 1048576.0;

// The read phase's figures of a run printed with --json -.
QJsonObject readPhase(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object().value("cycleResults").toArray().at(0).toObject().value("readPhase").toObject();
}

} // namespace

class tst_WireShare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void samplesKeepTheWire();
    void shapingSlowsTestAndWire();

private:
    bool shape(const QString &rate, QString *output);
    CliProcess::Outcome run(const QStringList &extra);

    TestFileServer m_server{QStringLiteral("/run/trevlamark-wireshare"),
        {{QStringLiteral("NS"), kNamespace}, {QStringLiteral("HV"), kHostVeth}, {QStringLiteral("SV"), kServerVeth},
            {QStringLiteral("HIP"), QStringLiteral("10.231.64.1")}, {QStringLiteral("SIP"), QStringLiteral("10.231.64.2")},
            {QStringLiteral("MNT"), QStringLiteral("/mnt/trevlamark-wireshare")}, {QStringLiteral("EXPORT_SIZE"), QStringLiteral("512m")},
            {QStringLiteral("WITH_DAV"), QStringLiteral("0")}, {QStringLiteral("WITH_SMB"), QStringLiteral("0")}}};
    QString m_share;
    QTemporaryDir m_home;
};

void tst_WireShare::initTestCase()
{
    if (const std::optional<QString> missing =
            TestFileServer::missingPrerequisite({"sshfs", "fusermount3", "sshd", "nsenter", "tc"}))
        QSKIP(qPrintable(*missing));
    QVERIFY(m_home.isValid());
    QString output;
    QVERIFY2(m_server.up(&output), qPrintable(output));
    m_share = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    QVERIFY(QFileInfo(m_share).isDir());
}

void tst_WireShare::cleanupTestCase()
{
    QString output;
    QVERIFY2(m_server.down(&output), qPrintable(output));
}

// Both ends of the veth: the host's end carries the writes, the server's the reads.
// An empty rate takes the shaping off.
bool tst_WireShare::shape(const QString &rate, QString *output)
{
    bool ok = true;
    for (const QString &end : {QStringLiteral("dev %1").arg(kHostVeth), QStringLiteral("-n %1 dev %2").arg(kNamespace, kServerVeth)}) {
        const QStringList device = end.split(QLatin1Char(' '));
        const QStringList arguments = device.mid(0, device.size() - 2) + QStringList{QStringLiteral("qdisc")}
            + (rate.isEmpty() ? QStringList{QStringLiteral("del")} : QStringList{QStringLiteral("replace")})
            + device.mid(device.size() - 2) + QStringList{QStringLiteral("root")}
            + (rate.isEmpty() ? QStringList() : QStringLiteral("tbf rate %1 burst 64kb latency 50ms").arg(rate).split(QLatin1Char(' ')));
        QProcess tc;
        tc.setProcessChannelMode(QProcess::MergedChannels);
        tc.start(QStringLiteral("tc"), arguments);
        ok = tc.waitForFinished(30000) && tc.exitStatus() == QProcess::NormalExit && tc.exitCode() == 0 && ok;
        *output += QString::fromUtf8(tc.readAll());
    }
    return ok;
}

CliProcess::Outcome tst_WireShare::run(const QStringList &extra)
{
    return CliProcess::run(QStringList{QStringLiteral("run"), QStringLiteral("--bytes"),
                               QStringLiteral("24MB"), QStringLiteral("--queue-depth"), QStringLiteral("2"),
                               QStringLiteral("--json"), QStringLiteral("-")}
            + extra + QStringList{m_share},
        m_home.path());
}

void tst_WireShare::samplesKeepTheWire()
{
    const CliProcess::Outcome outcome = run({QStringLiteral("--sampling-rate"), QStringLiteral("0.1")});
    QVERIFY2(outcome.exitCode == 0, outcome.standardError.constData());
    // The interface was watched before each phase, and nothing else used it.
    const QJsonObject read = readPhase(outcome.standardOutput);
    QVERIFY(read.value("wireBefore").toObject().value("seconds").toDouble() >= 0.5);
    QVERIFY(!outcome.standardError.contains("the interface was busy before the phase"));
    static const QRegularExpression saved(QStringLiteral("saved as run ([0-9]+)"));
    const QRegularExpressionMatch id = saved.match(QString::fromUtf8(outcome.standardError));
    QVERIFY2(id.hasMatch(), outcome.standardError.constData());

    const CliProcess::Outcome exported =
        CliProcess::run({QStringLiteral("history"), QStringLiteral("export"), id.captured(1), QStringLiteral("--samples")},
            m_home.path());
    QVERIFY2(exported.exitCode == 0, exported.standardError.constData());
    const QStringList lines = QString::fromUtf8(exported.standardOutput).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0),
        QStringLiteral("seconds,phase,appMegabytesPerSecond,wireInMegabytesPerSecond,wireOutMegabytesPerSecond"));
    // Rate times interval, added up: what the test moved and what the wire
    // carried either way. Not per phase: the sample after a phase change can
    // still hold the end of the phase before.
    double app = 0;
    double wire = 0;
    double previous = 0;
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = line.split(QLatin1Char(','));
        QCOMPARE(fields.size(), 5);
        const double seconds = fields.at(0).toDouble();
        app += fields.at(2).toDouble() * (seconds - previous) * kMegabyte;
        wire += (fields.at(3).toDouble() + fields.at(4).toDouble()) * (seconds - previous) * kMegabyte;
        previous = seconds;
    }
    qInfo("samples add up to: test %.0f bytes, wire %.0f", app, wire);
    // The samples stop with the run, so the last phase's last interval is
    // missing from both series alike; a fast read of 24 MB can fit in that
    // one interval. The write's end lands in the read's first samples.
    QVERIFY(app >= 0.8 * 24 * kMegabyte);
    QVERIFY(wire >= 0.8 * app && wire <= 1.4 * app);
}

void tst_WireShare::shapingSlowsTestAndWire()
{
    const auto wireRate = [](const QJsonObject &phase) {
        return phase.value("wireBytes").toDouble() / phase.value("duration").toDouble() / kMegabyte;
    };
    const CliProcess::Outcome free = run({QStringLiteral("--quiet"), QStringLiteral("--no-history")});
    QVERIFY2(free.exitCode == 0, free.standardError.constData());
    QString output;
    QVERIFY2(shape(QStringLiteral("40mbit"), &output), qPrintable(output));
    const CliProcess::Outcome shaped = run({QStringLiteral("--quiet"), QStringLiteral("--no-history")});
    QVERIFY2(shape(QString(), &output), qPrintable(output));
    QVERIFY2(shaped.exitCode == 0, shaped.standardError.constData());

    const QJsonObject before = readPhase(free.standardOutput);
    const QJsonObject after = readPhase(shaped.standardOutput);
    qInfo("read: %.1f MB/s test, %.1f MB/s wire; shaped to 40 Mbit/s: %.1f MB/s test, %.1f MB/s wire",
        before.value("throughput").toDouble(), wireRate(before), after.value("throughput").toDouble(), wireRate(after));
    // 40 Mbit/s carries at most 4.8 MB/s; the run and the wire both drop to it.
    for (const QJsonObject &phase : {before, after})
        QVERIFY(phase.value("wireRatio").toDouble() >= 0.95 && phase.value("wireRatio").toDouble() <= 1.3);
    QVERIFY(after.value("throughput").toDouble() <= 4.8);
    QVERIFY(wireRate(after) <= 4.8 * 1.3);
    QVERIFY(after.value("throughput").toDouble() < 0.6 * before.value("throughput").toDouble());
    QVERIFY(wireRate(after) < 0.6 * wireRate(before));
}

QTEST_GUILESS_MAIN(tst_WireShare)
#include "tst_wireshare.moc"
