// Paced streams on a real sshfs share that cannot keep up: the test host's
// veth is shaped to about 200 Mbit/s (about 22 MB/s of payload), so a format
// well under that records at 1 stream with no late frame, and one above it
// has late frames. The server runs in a namespace of its own, so this suite
// can run beside the other share suites.

#include "support/cliprocess.h"
#include "support/testfileserver.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNamespace = QStringLiteral("tvlplay");
const QString kHostVeth = QStringLiteral("tvlph0");

bool run(const QStringList &command, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    const bool ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    *output += QString::fromUtf8(process.readAll());
    return ok;
}

} // namespace

class tst_PlayShare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void capture_data();
    void capture();
    void findMax();

private:
    TestFileServer m_server{QStringLiteral("/run/trevlamark-playshare"),
        {{QStringLiteral("NS"), kNamespace}, {QStringLiteral("HV"), kHostVeth}, {QStringLiteral("SV"), QStringLiteral("tvlps0")},
            {QStringLiteral("HIP"), QStringLiteral("10.231.61.1")}, {QStringLiteral("SIP"), QStringLiteral("10.231.61.2")},
            {QStringLiteral("MNT"), QStringLiteral("/mnt/trevlamark-playshare")}, {QStringLiteral("EXPORT_SIZE"), QStringLiteral("1g")},
            {QStringLiteral("WITH_DAV"), QStringLiteral("0")}, {QStringLiteral("WITH_SMB"), QStringLiteral("0")}}};
    QString m_share;
    QTemporaryDir m_home;
};

void tst_PlayShare::initTestCase()
{
    if (const std::optional<QString> missing =
            TestFileServer::missingPrerequisite({"sshfs", "fusermount3", "sshd", "nsenter", "tc"}))
        QSKIP(qPrintable(*missing));
    QString output;
    QVERIFY2(m_server.up(&output), qPrintable(output));
    m_share = m_server.value(QStringLiteral("NETSHARE_SSHFS"));
    QVERIFY(QFileInfo(m_share).isDir());
    // What the host sends to the share (a capture's writes) goes through the shaper.
    QVERIFY2(run({QStringLiteral("tc"), QStringLiteral("qdisc"), QStringLiteral("replace"), QStringLiteral("dev"), kHostVeth,
                     QStringLiteral("root"), QStringLiteral("tbf"), QStringLiteral("rate"), QStringLiteral("200mbit"),
                     QStringLiteral("burst"), QStringLiteral("64kb"), QStringLiteral("latency"), QStringLiteral("50ms")},
                 &output),
        qPrintable(output));
}

void tst_PlayShare::cleanupTestCase()
{
    QString output;
    QVERIFY2(m_server.down(&output), qPrintable(output));
}

void tst_PlayShare::capture_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("keepsUp");
    // 4.5 MB/s against about 22: on time.
    QTest::newRow("well under the cap") << QStringLiteral("ProRes 422 Proxy HD 25") << true;
    // 49 MB/s: more than twice what the link carries.
    QTest::newRow("over the cap") << QStringLiteral("ProRes 4444 XQ HD 25") << false;
}

void tst_PlayShare::capture()
{
    QFETCH(QString, format);
    QFETCH(bool, keepsUp);
    const CliProcess::Outcome outcome = CliProcess::run({QStringLiteral("play"), m_share, QStringLiteral("--format"), format,
        QStringLiteral("--streams"), QStringLiteral("1"), QStringLiteral("--duration"), QStringLiteral("5"),
        QStringLiteral("--capture"), QStringLiteral("--buffer"), QStringLiteral("5"), QStringLiteral("--no-history")},
        m_home.path());
    QVERIFY2(outcome.exitCode == 0, outcome.standardError.constData());
    static const QRegularExpression verdict(QStringLiteral("1 stream of (.+), capture: ([0-9,]+) of 125 frames late, worst "
                                                           "[0-9]+ ms \\(buffer 200 ms\\)"));
    const QRegularExpressionMatch match = verdict.match(QString::fromUtf8(outcome.standardOutput));
    QVERIFY2(match.hasMatch(), outcome.standardOutput.constData());
    QCOMPARE(match.captured(1), format);
    qInfo().noquote() << match.captured(0);
    const int late = match.captured(2).remove(QLatin1Char(',')).toInt();
    if (keepsUp)
        QCOMPARE(late, 0);
    else
        QVERIFY2(late > 0, outcome.standardOutput.constData());
    QVERIFY(QDir(m_share).entryList({QStringLiteral("Trevlamark_Test_Data*")}, QDir::AllEntries).isEmpty());
}

void tst_PlayShare::findMax()
{
    // 15.3 MB/s a stream: one fits under the cap, two do not.
    const CliProcess::Outcome outcome = CliProcess::run({QStringLiteral("play"), m_share, QStringLiteral("--format"),
        QStringLiteral("ProRes 422 HD 25"), QStringLiteral("--find-max"), QStringLiteral("--streams"), QStringLiteral("1"),
        QStringLiteral("--duration"), QStringLiteral("4"), QStringLiteral("--capture"), QStringLiteral("--buffer"),
        QStringLiteral("10"), QStringLiteral("--no-history")}, m_home.path());
    QVERIFY2(outcome.exitCode == 0, outcome.standardError.constData());
    qInfo().noquote() << outcome.standardOutput;
    QVERIFY2(outcome.standardOutput.contains("Streams  Frames  Late frames  p99 frame latency\n"
                                             "      1     100            0"),
        outcome.standardOutput.constData());
    QVERIFY2(outcome.standardOutput.contains("plays 1 stream of ProRes 422 HD 25; at 2, "), outcome.standardOutput.constData());
    QVERIFY(QDir(m_share).entryList({QStringLiteral("Trevlamark_Test_Data*")}, QDir::AllEntries).isEmpty());
}

QTEST_MAIN(tst_PlayShare)
#include "tst_playshare.moc"
