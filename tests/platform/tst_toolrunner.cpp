#include "platform/toolrunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace trevlamark;

Q_DECLARE_METATYPE(trevlamark::CommandResult)

namespace {
const QString aborted = QStringLiteral("Command execution took too long and was aborted");
}

class tst_ToolRunner : public QObject
{
    Q_OBJECT
private slots:
    void hungToolIsStopped_data();
    void hungToolIsStopped();
    void outcome_data();
    void outcome();
};

void tst_ToolRunner::hungToolIsStopped_data()
{
    QTest::addColumn<QString>("script"); // $1: the file that receives the tool's PID
    QTest::addColumn<CommandResult>("expected");
    const QString loop = QStringLiteral("while :; do sleep 0.1; done");
    // Stopped at the limit, back within the caller's wait: what it gave.
    QTest::newRow("stops when asked")
        << QStringLiteral("echo $$ > \"$1\"; echo half done >&2; ") + loop << CommandResult{false, "half done\n"};
    QTest::newRow("answers, then exits when asked")
        << QStringLiteral("echo $$ > \"$1\"; trap 'exit 0' TERM; echo answer; ") + loop << CommandResult{true, "answer\n"};
    // Killed only after the caller gave up.
    QTest::newRow("ignores SIGTERM, output written")
        << QStringLiteral("echo $$ > \"$1\"; trap '' TERM; echo partial; ") + loop << CommandResult{false, aborted};
}

void tst_ToolRunner::hungToolIsStopped()
{
    QFETCH(QString, script);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString pidFile = folder.filePath(QStringLiteral("pid"));
    const CommandResult result = ToolRunner::run(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("tool"), pidFile},
        QStringLiteral("Error running sh"), 1.0);
    QTEST(result, "expected");
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pid = file.readAll().trimmed();
    QVERIFY(!pid.isEmpty());
    // An ignored SIGTERM is followed by SIGKILL.
    const auto running = [&pid] {
        QFile status(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
        return status.open(QIODevice::ReadOnly) && status.readAll().split(' ').value(2) != "Z";
    };
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);
}

void tst_ToolRunner::outcome_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("output"); // empty: any text that is not empty
    QTest::newRow("success gives standard output") << "/bin/echo" << QStringList{"hello"} << true << "hello\n";
    QTest::newRow("failure gives error output")
        << "/bin/sh" << QStringList{"-c", "echo out; echo bad >&2; exit 3"} << false << "bad\n";
    QTest::newRow("missing tool") << "/nonexistent/tool" << QStringList() << false << "";
}

void tst_ToolRunner::outcome()
{
    QFETCH(QString, path);
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    const CommandResult result = ToolRunner::run(path, arguments, QStringLiteral("Error"), 3.0);
    QTEST(result.success, "success");
    if (output.isEmpty())
        QVERIFY(!result.output.isEmpty());
    else
        QCOMPARE(result.output, output);
}

QTEST_GUILESS_MAIN(tst_ToolRunner)
#include "tst_toolrunner.moc"
