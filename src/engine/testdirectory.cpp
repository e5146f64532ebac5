#include "engine/testdirectory.h"

#include "platform/logcategories.h"
#include "platform/directoryremover.h"
#include "engine/runmarker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace trevlamark {

namespace {

// A new test directory has no marker between its mkdir and the marker's
// write, and another computer's sweep may look just then: a prefixed one
// without a marker is spared while its own time is young, by the rule for
// markers written elsewhere.
std::optional<QString> liveOwner(const QString &path, const QString &fixedName)
{
    if (std::optional<QString> owner = RunMarker::liveOwner(path))
        return owner;
    if (QFileInfo(path).fileName() == fixedName
        || QFileInfo::exists(path + QLatin1Char('/') + QLatin1String(RunMarker::fileName)))
        return std::nullopt;
    // The entry's own time: a link named like a test directory says nothing
    // by the time of what it points to.
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    const qint64 ageSeconds = qint64(::time(nullptr)) - qint64(status.st_mtim.tv_sec);
    if (ageSeconds >= RunMarker::remoteLifetimeSeconds)
        return std::nullopt;
    return QStringLiteral("a test directory created %1 s ago, without a run marker yet")
        .arg(std::max<qint64>(ageSeconds, 0));
}

constexpr int seedFileSizeBytes = 1024;

QString errorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool writeZeroFile(const QString &path, QString *errorDescription)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QByteArray(seedFileSizeBytes, '\0')) != seedFileSizeBytes
        || !file.commit()) {
        *errorDescription = file.errorString();
        return false;
    }
    return true;
}

void removeOnce(const QString &path)
{
    const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(path);
    if (error) {
        qCWarning(lcEngine).noquote() << QStringLiteral("Error deleting: %1 - %2").arg(path, error->description);
        return;
    }
    if (DirectoryRemover::existsNoFollow(path))
        qCWarning(lcEngine).noquote() << QStringLiteral("Failed to delete: %1 - still exists").arg(path);
    else
        qCInfo(lcEngine).noquote() << QStringLiteral("Successfully deleted: ") + path;
}

} // namespace

std::optional<QString> TestDirectory::create(const QString &location, qint64 startSeconds)
{
    const QString name = location + QLatin1Char('/') + QLatin1String(folderName) + QLatin1Char('_')
        + QString::number(startSeconds);
    for (int suffix = 1; suffix <= maxNameSuffix; ++suffix) {
        const QString path = suffix == 1 ? name : name + QLatin1Char('_') + QString::number(suffix);
        // mkdir is the claim: of two runs asking for one name, exactly one gets it.
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) {
            qCInfo(lcEngine).noquote() << QStringLiteral("Created test directory: ") + path;
            return path;
        }
        const int code = errno;
        if (code != EEXIST) {
            qCCritical(lcEngine).noquote() << QStringLiteral("Error creating test directory: ") + errorText(code);
            return std::nullopt;
        }
    }
    qCCritical(lcEngine).noquote() << QStringLiteral("Error creating test directory: %1 names in use")
                                          .arg(maxNameSuffix);
    return std::nullopt;
}

QStringList TestDirectory::createSeedFiles(const QString &directory, int queueDepth)
{
    QStringList created;
    for (int i = 0; i < queueDepth; ++i) {
        const QString path = directory + QStringLiteral("/streaming_write_initial_%1.dat").arg(i);
        QString error;
        if (writeZeroFile(path, &error)) {
            created.append(path);
            qCDebug(lcEngine).noquote() << QStringLiteral("Created initial file with content: ")
                                           + QFileInfo(path).fileName();
        } else {
            qCCritical(lcEngine).noquote() << QStringLiteral("Error creating initial file: ") + error;
        }
    }
    return created;
}

QString TestDirectory::cycleFileName(int cycle, int stream)
{
    return QStringLiteral("streaming_write_%1_%2.dat").arg(cycle).arg(stream);
}

QStringList TestDirectory::createCycleFiles(const QString &directory, int queueDepth, int cycle)
{
    QStringList created;
    for (int i = 0; i < queueDepth; ++i) {
        const QString path = directory + QLatin1Char('/') + cycleFileName(cycle, i);
        QString error;
        if (writeZeroFile(path, &error)) {
            created.append(path);
            qCDebug(lcEngine).noquote() << QStringLiteral("Created cycle file with content: ") + path;
        } else {
            qCWarning(lcEngine).noquote() << QStringLiteral("Error creating cycle file: ") + error;
        }
    }
    return created;
}

DeletionResult TestDirectory::removeWithRetry(const QString &path, int maxAttempts)
{
    qCDebug(lcEngine).noquote() << QStringLiteral("Starting cleanup for directory: ") + path;
    DeletionResult result;
    if (maxAttempts < 1)
        return result;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(path);
        if (!error) {
            if (!DirectoryRemover::existsNoFollow(path)) {
                qCDebug(lcEngine).noquote() << QStringLiteral("Successfully deleted directory: ") + path;
                result.success = true;
                result.attempts = attempt;
                result.lastError.reset();
                return result;
            }
            result.lastError = QStringLiteral("Directory still exists after deletion attempt %1").arg(attempt);
            qCWarning(lcEngine).noquote() << *result.lastError;
        } else {
            result.lastError =
                QStringLiteral("Deletion failed: %1 (code: %2)").arg(error->description).arg(error->code);
            qCWarning(lcEngine).noquote() << QStringLiteral("Deletion attempt %1 failed: %2").arg(attempt)
                                             .arg(*result.lastError);
        }
        if (attempt == maxAttempts)
            break;
        const double waitSeconds = std::ldexp(0.1, attempt);
        qCWarning(lcEngine).noquote() << QStringLiteral("Waiting %1 seconds before retry %2/%3")
                                             .arg(QString::number(waitSeconds, 'g', QLocale::FloatingPointShortest))
                                             .arg(attempt + 1)
                                             .arg(maxAttempts);
        std::this_thread::sleep_for(std::chrono::duration<double>(waitSeconds));
    }
    result.attempts = maxAttempts;
    return result;
}

QStringList TestDirectory::leftovers(const QString &location, QString *scanProblem)
{
    const QString fixedName = QLatin1String(folderName);
    QStringList paths;
    // The fixed name counts even when the location cannot be listed.
    const QString fixedPath = location + QLatin1Char('/') + fixedName;
    if (DirectoryRemover::existsNoFollow(fixedPath))
        paths.append(fixedPath);

    const QDir directory(location);
    if (!directory.exists() || !directory.isReadable()) {
        if (scanProblem)
            *scanProblem = errorText(directory.exists() ? EACCES : ENOENT);
        return paths;
    }
    const QString prefix = fixedName + QLatin1Char('_');
    const QStringList entries = directory.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : entries) {
        const QString path = location + QLatin1Char('/') + name;
        if (name.startsWith(prefix) && QFileInfo(path).isDir())
            paths.append(path);
    }
    return paths;
}

QList<SkippedDirectory> TestDirectory::sweep(const QString &location, bool force)
{
    qCInfo(lcConsole).noquote() << QStringLiteral("Cleaning up test directories for location: ") + location;
    QString scanProblem;
    const QStringList paths = leftovers(location, &scanProblem);
    const QString fixedName = QLatin1String(folderName);
    QList<SkippedDirectory> skipped;
    for (const QString &path : paths) {
        const std::optional<QString> owner = force ? std::nullopt : liveOwner(path, fixedName);
        if (owner) {
            qCInfo(lcEngine).noquote() << QStringLiteral("Skipping test directory in use: %1 - %2").arg(path, *owner);
            skipped.append({path, *owner});
            continue;
        }
        if (QFileInfo(path).fileName() == fixedName)
            qCDebug(lcEngine).noquote() << QStringLiteral("Deleting test directory: ") + path;
        else
            qCDebug(lcEngine).noquote() << QStringLiteral("Deleting timestamped directory: ") + path;
        removeOnce(path);
    }
    if (!scanProblem.isEmpty())
        qCWarning(lcEngine).noquote() << QStringLiteral("Error scanning directory: %1 - %2").arg(location, scanProblem);
    return skipped;
}

} // namespace trevlamark
