#include "engine/testdirectorysweeper.h"

#include "settings/console.h"
#include "settings/logmanager.h"
#include "engine/performancetestmanager.h"
#include "platform/directoryremover.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace trevlamark {

void TestDirectorySweeper::removeOnce(const QString &path)
{
    const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(path);
    if (error) {
        LogManager::warning(QStringLiteral("Error deleting: %1 - %2").arg(path, error->description));
        return;
    }
    if (DirectoryRemover::existsNoFollow(path))
        LogManager::warning(QStringLiteral("Failed to delete: %1 - still exists").arg(path));
    else
        LogManager::info(QStringLiteral("Successfully deleted: ") + path);
}

void TestDirectorySweeper::cleanupTestDirectories(const QString &location)
{
    Console::print(QStringLiteral("Cleaning up test directories for location: ") + location);
    const QString folderName = QLatin1String(PerformanceTestManager::testFolderName);
    const QString fixedPath = location + QLatin1Char('/') + folderName;
    if (DirectoryRemover::existsNoFollow(fixedPath)) {
        LogManager::debug(QStringLiteral("Deleting test directory: ") + fixedPath);
        removeOnce(fixedPath);
    }

    const QDir directory(location);
    if (!directory.exists() || !directory.isReadable()) {
        const QString reason = directory.exists() ? QString::fromLocal8Bit(std::strerror(EACCES))
                                                  : QString::fromLocal8Bit(std::strerror(ENOENT));
        LogManager::warning(QStringLiteral("Error scanning directory: %1 - %2").arg(location, reason));
        return;
    }
    const QString prefix = folderName + QLatin1Char('_');
    const QStringList entries = directory.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        if (!name.startsWith(prefix))
            continue;
        const QString path = location + QLatin1Char('/') + name;
        // A link to a directory counts as a test directory here, but the
        // removal takes away only the link.
        if (!QFileInfo(path).isDir())
            continue;
        LogManager::debug(QStringLiteral("Deleting timestamped directory: ") + path);
        removeOnce(path);
    }
}

} // namespace trevlamark
