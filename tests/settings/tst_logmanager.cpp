#include "settings/logmanager.h"
#include "platform/preferencestore.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <vector>

using namespace trevlamark;

class tst_LogManager : public QObject
{
    Q_OBJECT

private:
    static QString logPath() { return LogManager::shared().logFilePath(); }
    static QByteArray readLog()
    {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void setAllLevels(bool enabled)
    {
        for (LogLevel level : {LogLevel::Info, LogLevel::Warning, LogLevel::Error, LogLevel::Debug})
            PreferenceStore::setValue(LogManager::switchKey(level), enabled);
    }

private slots:
    void init()
    {
        PreferenceStore::clear();
        QFile::remove(logPath());
    }

    void logFileLivesInTheStateFolder()
    {
        QVERIFY(logPath().startsWith(qEnvironmentVariable("XDG_STATE_HOME") + "/qormix/"));
        QVERIFY(logPath().endsWith("/trevlamark.log"));
    }

    void absentSwitchesWriteNothing()
    {
        LogManager::info("info");
        LogManager::warning("warning");
        LogManager::error("error");
        LogManager::debug("debug");
        QVERIFY(!QFile::exists(logPath()));
    }

    void enabledLevelWritesOnePrefixedLine()
    {
        PreferenceStore::setValue("log_WARNING_enabled", true);
        LogManager::warning("Disk is slow: /tmp/x");
        LogManager::info("not written");
        const QByteArray log = readLog();
        static const QRegularExpression line(
            R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] \[WARNING\] Disk is slow: /tmp/x\n$)");
        QVERIFY2(line.match(QString::fromUtf8(log)).hasMatch(), log.constData());
    }

    void switchTakesEffectOnTheNextCall()
    {
        LogManager::debug("before");
        PreferenceStore::setValue("log_DEBUG_enabled", true);
        LogManager::debug("after");
        const QByteArray log = readLog();
        QVERIFY(!log.contains("before"));
        QVERIFY(log.contains("[DEBUG] after\n"));
    }

    void multiLineMessageKeepsOnePrefix()
    {
        setAllLevels(true);
        LogManager::info("\n \n Starting write phase...");
        const QList<QByteArray> lines = readLog().split('\n');
        QCOMPARE(lines.size(), 4); // three physical lines and the empty tail
        QVERIFY(lines[0].endsWith("[INFO] "));
        QCOMPARE(lines[2], QByteArray(" Starting write phase..."));
    }

    void concurrentWritersNeverSplitLines()
    {
        setAllLevels(true);
        constexpr int threadCount = 8;
        constexpr int linesPerThread = 300;
        std::vector<QThread *> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.push_back(QThread::create([t] {
                const QString payload(200, QChar('a' + t));
                for (int i = 0; i < linesPerThread; ++i)
                    LogManager::info(QString::number(t) + ":" + payload);
            }));
            threads.back()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        const QList<QByteArray> lines = readLog().split('\n');
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
        const QDir logDir(LogManager::shared().logDirectory());
        for (const QString &name : logDir.entryList({"trevlamark_*.log"}))
            QFile::remove(logDir.filePath(name));
        {
            QFile file(logPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        LogManager::shared().rotateLogIfNeeded();
        const QStringList rotatedFiles = logDir.entryList({"trevlamark_*.log"});
        QCOMPARE(rotatedFiles.size(), rotated ? 1 : 0);
        if (!rotated) {
            QCOMPARE(QFileInfo(logPath()).size(), size);
            return;
        }
        static const QRegularExpression name(R"(^trevlamark_\d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.log$)");
        QVERIFY2(name.match(rotatedFiles.first()).hasMatch(), qPrintable(rotatedFiles.first()));
        QCOMPARE(QFileInfo(logDir.filePath(rotatedFiles.first())).size(), size);
        // The rotation line is written whatever the switches say and starts the new file.
        QCOMPARE(readLog(), "Log file rotated from trevlamark.log to " + rotatedFiles.first().toUtf8() + "\n");
    }

    void rotationRefusesToOverwriteAnEarlierRotation()
    {
        const QDir logDir(LogManager::shared().logDirectory());
        {
            QFile file(logPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(10485761));
        }
        LogManager::shared().rotateLogIfNeeded();
        const QStringList first = logDir.entryList({"trevlamark_*.log"});
        QVERIFY(!first.isEmpty());
        // A second oversized log within the same second must not replace the first rotation.
        {
            QFile file(logPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(10485762));
        }
        LogManager::shared().rotateLogIfNeeded();
        const QStringList after = logDir.entryList({"trevlamark_*.log"});
        for (const QString &name : after)
            QVERIFY(QFileInfo(logDir.filePath(name)).size() >= 10485761);
        QVERIFY(QFileInfo(logPath()).size() > 0);
    }
};

QTEST_GUILESS_MAIN(tst_LogManager)
#include "tst_logmanager.moc"
