// Replays every seed and regression input of tests/fuzz/corpus through the
// same parser checks the fuzz targets run, so the normal (and the sanitizer)
// test run catches a parser that crashes or breaks a check on a known input.
#include "fuzz/parserchecks.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace trevlamark;
using namespace trevlamark::testing;

class tst_FuzzCorpus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void corpusInput_data();
    void corpusInput();

private:
    static QDir corpusDirectory(const char *target);
};

QDir tst_FuzzCorpus::corpusDirectory(const char *target)
{
    return QDir(QStringLiteral(TREVLAMARK_SOURCE_DIR "/tests/fuzz/corpus/") + QLatin1String(target));
}

void tst_FuzzCorpus::initTestCase()
{
    LogSink::setConsoleTarget(ConsoleTarget::Discard);
}

void tst_FuzzCorpus::corpusInput_data()
{
    QTest::addColumn<int>("targetIndex");
    QTest::addColumn<QString>("path");
    const QList<ParserTarget> &targets = parserTargets();
    for (int index = 0; index < targets.size(); ++index) {
        const QDir directory = corpusDirectory(targets.at(index).name);
        for (const QFileInfo &file : directory.entryInfoList(QDir::Files, QDir::Name)) {
            const QByteArray row = QByteArray(targets.at(index).name) + '/' + file.fileName().toUtf8();
            QTest::newRow(row.constData()) << index << file.absoluteFilePath();
        }
    }
}

void tst_FuzzCorpus::corpusInput()
{
    QFETCH(int, targetIndex);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QString problem = parserTargets().at(targetIndex).check(file.readAll());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(tst_FuzzCorpus)
#include "tst_fuzzcorpus.moc"
#include "platform/logsink.h"
