#include "platform/logcategories.h"
#include "platform/logsink.h"
#include "platform/preferencestore.h"
#include "settings/logswitches.h"
#include "support/logfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <vector>

using namespace trevlamark;

namespace {

// One line of each type from one subsystem; the log keeps those the switches allow.
void logOneOfEach()
{
    qCDebug(lcEngine) << "debug line";
    qCInfo(lcDiscovery) << "info line";
    qCWarning(lcMonitor).noquote() << "Disk is slow: /tmp/x";
    qCCritical(lcPlatform) << "error line";
}

QStringList loggedTags()
{
    static const QRegularExpression prefix(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] \[([A-Z]+)\] )");
    QStringList tags;
    for (const QByteArray &line : LogFile::read().split('\n')) {
        if (const auto match = prefix.match(QString::fromUtf8(line)); match.hasMatch())
            tags << match.captured(1);
    }
    return tags;
}

void makeOversizedLog(qint64 size)
{
    QFile file(LogSink::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size));
}

// Run in a child process: QT_LOGGING_RULES is read when the application object is made.
int childMain(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    LogSwitches::apply();
    if (argc > 2 && qstrcmp(argv[2], "stderr") == 0)
        LogSink::setConsoleTarget(ConsoleTarget::StandardError);
    qCDebug(lcEngine) << "engine";
    qCInfo(lcDiscovery) << "discovery";
    qCInfo(lcConsole).noquote() << "Running command: true";
    return 0;
}

} // namespace

class tst_LogSwitches : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        PreferenceStore::clear();
        LogSwitches::apply();
        LogFile::clear();
    }

    void switchesChooseTheLines_data()
    {
        QTest::addColumn<QList<QtMsgType>>("enabled");
        QTest::addColumn<QStringList>("tags");
        QTest::newRow("no switch set") << QList<QtMsgType>{} << QStringList{};
        QTest::newRow("warning only") << QList<QtMsgType>{QtWarningMsg} << QStringList{"WARNING"};
        QTest::newRow("critical is ERROR") << QList<QtMsgType>{QtCriticalMsg} << QStringList{"ERROR"};
        QTest::newRow("all") << LogSwitches::types() << QStringList{"DEBUG", "INFO", "WARNING", "ERROR"};
    }

    void switchesChooseTheLines()
    {
        QFETCH(QList<QtMsgType>, enabled);
        QFETCH(QStringList, tags);
        if (!enabled.isEmpty())
            LogFile::enable(enabled);
        logOneOfEach();
        QCOMPARE(loggedTags(), tags);
        QCOMPARE(QFileInfo::exists(LogSink::filePath()), !tags.isEmpty());
        if (tags.contains("WARNING"))
            QVERIFY(LogFile::read().contains("] [WARNING] Disk is slow: /tmp/x\n"));
    }

    void switchesAreReadWhenAppliedNotPerLine()
    {
        LogFile::enable({QtInfoMsg});
        PreferenceStore::setValue(LogSwitches::key(QtInfoMsg), false);
        qCInfo(lcSettings) << "still on";
        LogSwitches::apply();
        qCInfo(lcSettings) << "now off";
        const QByteArray log = LogFile::read();
        QVERIFY(log.contains("still on"));
        QVERIFY(!log.contains("now off"));
    }

    void concurrentWritersNeverSplitLines()
    {
        LogFile::enable();
        constexpr int threadCount = 8;
        constexpr int linesPerThread = 300;
        std::vector<QThread *> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.push_back(QThread::create([t] {
                const QString payload(200, QChar('a' + t));
                for (int i = 0; i < linesPerThread; ++i)
                    qCInfo(lcEngine).noquote() << QString::number(t) + ":" + payload;
            }));
            threads.back()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        const QList<QByteArray> lines = LogFile::read().split('\n');
        QCOMPARE(lines.size(), threadCount * linesPerThread + 1);
        static const QRegularExpression shape(R"(^\[[^\]]+\] \[INFO\] (\d):([a-h])\2{199}$)");
        for (int i = 0; i < lines.size() - 1; ++i) {
            const auto match = shape.match(QString::fromUtf8(lines[i]));
            QVERIFY2(match.hasMatch(), lines[i].constData());
            QCOMPARE(match.captured(2).at(0).unicode() - 'a', match.captured(1).toInt());
        }
    }

    void rotationThreshold_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("rotated");
        QTest::newRow("exactly 10 MiB stays") << qint64(10485760) << false;
        QTest::newRow("one byte more rotates") << qint64(10485761) << true;
    }

    void rotationThreshold()
    {
        QFETCH(qint64, size);
        QFETCH(bool, rotated);
        const QDir logDir(LogSink::directory());
        for (const QString &name : logDir.entryList({"trevlamark_*.log"}))
            QFile::remove(logDir.filePath(name));
        makeOversizedLog(size);
        LogSink::rotateIfNeeded();
        const QStringList rotatedFiles = logDir.entryList({"trevlamark_*.log"});
        QCOMPARE(rotatedFiles.size(), rotated ? 1 : 0);
        if (!rotated) {
            QCOMPARE(QFileInfo(LogSink::filePath()).size(), size);
            return;
        }
        static const QRegularExpression name(R"(^trevlamark_\d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.log$)");
        QVERIFY2(name.match(rotatedFiles.first()).hasMatch(), qPrintable(rotatedFiles.first()));
        QCOMPARE(QFileInfo(logDir.filePath(rotatedFiles.first())).size(), size);
        // The rotation line is written whatever the switches say and starts the new file.
        QCOMPARE(LogFile::read(), "Log file rotated from trevlamark.log to " + rotatedFiles.first().toUtf8() + "\n");

        // A second oversized log within the same second must not replace the first rotation.
        makeOversizedLog(size + 1);
        LogSink::rotateIfNeeded();
        for (const QString &file : logDir.entryList({"trevlamark_*.log"}))
            QVERIFY(QFileInfo(logDir.filePath(file)).size() >= size);
        QVERIFY(QFileInfo(LogSink::filePath()).size() > 0);
    }

    void environmentRulesOverrideSwitchesAndConsoleStaysOut_data()
    {
        QTest::addColumn<bool>("switchesOn");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("consoleTarget");
        QTest::addColumn<QStringList>("tags");
        QTest::newRow("rule turns a switched-off type on, console on stdout")
            << false << "trevlamark.engine.debug=true" << "stdout" << QStringList{"DEBUG"};
        QTest::newRow("rule turns a switched-on type off, console on stderr")
            << true << "trevlamark.discovery.info=false" << "stderr" << QStringList{"DEBUG"};
        QTest::newRow("no rule, switches decide")
            << true << "" << "stderr" << QStringList{"DEBUG", "INFO"};
    }

    void environmentRulesOverrideSwitchesAndConsoleStaysOut()
    {
        QFETCH(bool, switchesOn);
        QFETCH(QString, rules);
        QFETCH(QString, consoleTarget);
        QFETCH(QStringList, tags);
        LogFile::enable(switchesOn ? LogSwitches::types() : QList<QtMsgType>{});
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LOGGING_RULES", rules);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"--child", consoleTarget});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        const QByteArray console = "Running command: true\n";
        QCOMPARE(child.readAllStandardOutput(), consoleTarget == "stdout" ? console : QByteArray());
        QCOMPARE(child.readAllStandardError(), consoleTarget == "stderr" ? console : QByteArray());
        QCOMPARE(loggedTags(), tags);
        QVERIFY(!LogFile::read().contains("Running command"));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QCoreApplication application(argc, argv);
    tst_LogSwitches test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logswitches.moc"
