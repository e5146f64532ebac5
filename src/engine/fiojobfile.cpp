#include "engine/fiojobfile.h"

#include "engine/runmarker.h"

#include <QDir>

namespace trevlamark {

namespace {

// fio reads a job file line by line; a value must not break out of its line.
QString oneLine(QString value)
{
    return value.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

} // namespace

QString FioJobFile::streamJobName(int stream)
{
    return QStringLiteral("stream.%1").arg(stream);
}

QByteArray FioJobFile::phase(const FioPhaseShape &shape)
{
    QString text = QStringLiteral("[global]\n");
    text += QStringLiteral("directory=%1\n").arg(oneLine(shape.location));
    text += shape.phase == Phase::Write ? QStringLiteral("rw=write\nend_fsync=1\n") : QStringLiteral("rw=read\n");
    text += QStringLiteral("bs=%1\nsize=%2\ndirect=%3\n")
                .arg(shape.chunkSizeBytes)
                .arg(shape.bytesPerJob)
                .arg(shape.disableCache ? 1 : 0);
    // Without this fio puts the client's host name in front of the directory,
    // and the sweep would no longer know it.
    text += QStringLiteral("unique_filename=0\n");
    for (int stream = 0; stream < shape.queueDepth; ++stream) {
        text += QStringLiteral("[%1]\nfilename=%2/cycle%3.stream%4\n")
                    .arg(streamJobName(stream), oneLine(shape.directoryName))
                    .arg(shape.cycle)
                    .arg(stream);
    }
    return text.toUtf8();
}

QByteArray FioJobFile::probe()
{
    return QByteArrayLiteral("[probe]\nioengine=null\nsize=1M\n");
}

QByteArray FioJobFile::removal(const QString &location, const QString &directoryName)
{
    // fio has no job that removes a directory; its exec engine runs rm on the
    // client. A job stopped a moment ago may still be closing its files and
    // bring the directory back, so rm runs once more three seconds later.
    const QString path = QDir(location).filePath(directoryName);
    return QStringLiteral("[global]\nioengine=exec\nprogram=/bin/rm\narguments=-rf %1\n"
                          "std_redirect=0\ntime_based=1\nruntime=1\n[remove]\n[remove.again]\nstartdelay=3\n")
        .arg(oneLine(path))
        .toUtf8();
}

QByteArray FioJobFile::markerTouch(const QString &location, const QString &directoryName)
{
    const QString path = QDir(QDir(location).filePath(directoryName)).filePath(QLatin1String(RunMarker::fileName));
    return QStringLiteral("[global]\nioengine=exec\nprogram=/usr/bin/touch\narguments=%1\n"
                          "std_redirect=0\ntime_based=1\nruntime=1\n[marker]\n")
        .arg(oneLine(path))
        .toUtf8();
}

} // namespace trevlamark
