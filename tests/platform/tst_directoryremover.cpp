// Recursive removal that never follows symbolic links.

#include "platform/directoryremover.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

using namespace trevlamark;

class tst_DirectoryRemover : public QObject
{
    Q_OBJECT

private slots:
    void removesNestedTree();
    void linkGivenAsPathIsRemovedAsLink();
    void missingPathReportsNoEntry();
    void danglingLinkExistsWithoutFollowing();
};

void tst_DirectoryRemover::removesNestedTree()
{
    QTemporaryDir base;
    const QString root = base.filePath(QStringLiteral("tree"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/a/b/c")));
    QFile file(root + QStringLiteral("/a/b/c/f.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(QStringLiteral("/nonexistent-target"), root + QStringLiteral("/a/dangling")));
    QVERIFY(!DirectoryRemover::removeRecursively(root));
    QVERIFY(!DirectoryRemover::existsNoFollow(root));
}

void tst_DirectoryRemover::linkGivenAsPathIsRemovedAsLink()
{
    QTemporaryDir base;
    const QString target = base.filePath(QStringLiteral("target"));
    QVERIFY(QDir().mkpath(target + QStringLiteral("/keep")));
    const QString link = base.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!DirectoryRemover::removeRecursively(link));
    QVERIFY(!DirectoryRemover::existsNoFollow(link));
    QVERIFY(QFileInfo(target + QStringLiteral("/keep")).isDir());
}

void tst_DirectoryRemover::missingPathReportsNoEntry()
{
    QTemporaryDir base;
    const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(base.filePath(QStringLiteral("none")));
    QVERIFY(error);
    QCOMPARE(error->code, ENOENT);
    QVERIFY(!error->description.isEmpty());
}

void tst_DirectoryRemover::danglingLinkExistsWithoutFollowing()
{
    QTemporaryDir base;
    const QString link = base.filePath(QStringLiteral("dangling"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent-target"), link));
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(DirectoryRemover::existsNoFollow(link));
}

QTEST_GUILESS_MAIN(tst_DirectoryRemover)
#include "tst_directoryremover.moc"
