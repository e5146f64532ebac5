#include "engine/fiojobfile.h"

#include "engine/runmarker.h"

#include <QDir>
#include <algorithm>
#include <cctype>

namespace trevlamark {

namespace {

// fio reads a job file line by line; a value must not break out of its line.
QString oneLine(QString value)
{
    return value.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

// fio takes ':' in a file or directory name as the start of the next name.
QString fioPath(const QString &path)
{
    return oneLine(path).replace(QLatin1Char(':'), QLatin1String("\\:"));
}

// The options of a job whose program fio's exec engine runs through the shell
// on the client, for one second (the exec engine ends a job only at its run time).
QString execOptions(const QString &command)
{
    return QStringLiteral("ioengine=exec\nprogram=/bin/sh\narguments=-c %1\nstd_redirect=0\ntime_based=1\nruntime=1\n")
        .arg(command);
}

} // namespace

QString FioJobFile::streamFileName(int cycle, int stream)
{
    return QStringLiteral("cycle%1.stream%2").arg(cycle).arg(stream);
}

QString FioJobFile::shellWord(const QString &path)
{
    QString word = QStringLiteral("\"$(printf\t'");
    for (const char byte : path.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if (std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+')
            word += QLatin1Char(char(c));
        else
            word += QStringLiteral("\\%1").arg(c, 3, 8, QLatin1Char('0'));
    }
    return word + QStringLiteral("')\"");
}

QString FioJobFile::streamJobName(int stream)
{
    return QStringLiteral("stream.%1").arg(stream);
}

QByteArray FioJobFile::phase(const FioPhaseShape &shape)
{
    QString text = QStringLiteral("[global]\n");
    text += QStringLiteral("directory=%1\n").arg(fioPath(shape.location));
    text += shape.phase == Phase::Write ? QStringLiteral("rw=write\nend_fsync=1\n") : QStringLiteral("rw=read\n");
    text += QStringLiteral("bs=%1\nsize=%2\ndirect=%3\n")
                .arg(shape.chunkSizeBytes)
                .arg(shape.bytesPerJob)
                .arg(shape.disableCache ? 1 : 0);
    // Without this fio puts the client's host name in front of the directory,
    // and the sweep would no longer know it.
    text += QStringLiteral("unique_filename=0\n");
    if (!shape.bandwidthLogPrefix.isEmpty()) {
        text += QStringLiteral("write_bw_log=%1\nlog_avg_msec=%2\n")
                    .arg(oneLine(shape.bandwidthLogPrefix))
                    .arg(std::max(1, shape.logIntervalMilliseconds));
    }
    if (shape.rateBytesPerSecond > 0)
        text += QStringLiteral("rate=%1\n").arg(shape.rateBytesPerSecond);
    // An average of 0 ms logs every I/O: one line per frame.
    if (!shape.latencyLogPrefix.isEmpty())
        text += QStringLiteral("write_lat_log=%1\nlog_avg_msec=0\n").arg(oneLine(shape.latencyLogPrefix));
    for (int stream = 0; stream < shape.queueDepth; ++stream) {
        text += QStringLiteral("[%1]\nfilename=%2/%3\n")
                    .arg(streamJobName(stream), fioPath(shape.directoryName), streamFileName(shape.cycle, stream));
    }
    return text.toUtf8();
}

QByteArray FioJobFile::probe()
{
    return QByteArrayLiteral("[probe]\nioengine=null\nsize=1M\n");
}

QByteArray FioJobFile::removal(const QString &location, const QString &directoryName, const QList<int> &cycles,
    int queueDepth)
{
    // Unlinking files of many GiB can take longer than the exec engine's
    // second, which would cut rm short: fio's own unlink at the end of a
    // one-block read waits for them. fio refuses a value longer than 4 KiB,
    // so the files go into as many jobs as keep each list well under that.
    constexpr qsizetype listLimit = 3072;
    QString text = QStringLiteral("[global]\ndirectory=%1\nunique_filename=0\n").arg(fioPath(location));
    const QString directory = fioPath(directoryName) + QLatin1Char('/');
    QStringList files;
    qsizetype listLength = 0;
    int jobs = 0;
    const auto addJob = [&] {
        text += QStringLiteral("[unlink.%1]\nfilename=%2\nrw=read\nbs=4k\nfilesize=4k\nunlink=1\n")
                    .arg(++jobs)
                    .arg(files.join(QLatin1Char(':')));
        files.clear();
        listLength = 0;
    };
    for (const int cycle : cycles) {
        for (int stream = 0; stream < queueDepth; ++stream) {
            const QString file = directory + streamFileName(cycle, stream);
            const qsizetype bytes = file.toUtf8().size();
            if (listLength > 0 && listLength + bytes >= listLimit)
                addJob();
            listLength += bytes + 1;
            files.append(file);
        }
    }
    if (!files.isEmpty())
        addJob();
    // A job stopped a moment ago may still be closing its files and bring the
    // directory back, so rm runs once more three seconds later.
    const QString remove = QStringLiteral("rm\t-rf\t") + shellWord(QDir(location).filePath(directoryName));
    text += QStringLiteral("[remove]\nstonewall\n") + execOptions(remove);
    text += QStringLiteral("[remove.again]\nstartdelay=3\n") + execOptions(remove);
    return text.toUtf8();
}

QByteArray FioJobFile::markerTouch(const QString &location, const QString &directoryName)
{
    const QString path = QDir(QDir(location).filePath(directoryName)).filePath(QLatin1String(RunMarker::fileName));
    return (QStringLiteral("[marker]\n") + execOptions(QStringLiteral("touch\t") + shellWord(path))).toUtf8();
}

} // namespace trevlamark
