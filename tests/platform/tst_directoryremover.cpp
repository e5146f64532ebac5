// Recursive removal that never follows symbolic links.

#include "platform/directoryremover.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <unistd.h>

using namespace trevlamark;

class tst_DirectoryRemover : public QObject
{
    Q_OBJECT

private slots:
    void removesTreeButNeverWhatLinksPointTo();
    void missingPathCountsAsRemoved();
    void bindMountIsNeverEmptied_data();
    void bindMountIsNeverEmptied();
};

void tst_DirectoryRemover::removesTreeButNeverWhatLinksPointTo()
{
    QTemporaryDir base;
    const QString target = base.filePath(QStringLiteral("target"));
    QVERIFY(QDir().mkpath(target + QStringLiteral("/keep")));
    const QString root = base.filePath(QStringLiteral("tree"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/a/b/c")));
    QFile file(root + QStringLiteral("/a/b/c/f.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(QStringLiteral("/nonexistent-target"), root + QStringLiteral("/a/dangling")));
    QVERIFY(DirectoryRemover::existsNoFollow(root + QStringLiteral("/a/dangling")));
    QVERIFY(QFile::link(target, root + QStringLiteral("/a/inside")));
    QVERIFY(!DirectoryRemover::removeRecursively(root));
    QVERIFY(!DirectoryRemover::existsNoFollow(root));

    // A link given as the path goes as a link.
    const QString link = base.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!DirectoryRemover::removeRecursively(link));
    QVERIFY(!DirectoryRemover::existsNoFollow(link));
    QVERIFY(QFileInfo(target + QStringLiteral("/keep")).isDir());
}

void tst_DirectoryRemover::missingPathCountsAsRemoved()
{
    QTemporaryDir base;
    QVERIFY(!DirectoryRemover::removeRecursively(base.filePath(QStringLiteral("none"))));
}

void tst_DirectoryRemover::bindMountIsNeverEmptied_data()
{
    QTest::addColumn<bool>("mountIsThePath"); // false: the mount is one level below
    QTest::newRow("mount inside the tree") << false;
    QTest::newRow("mount given as the path") << true;
}

void tst_DirectoryRemover::bindMountIsNeverEmptied()
{
    QFETCH(bool, mountIsThePath);
    if (::geteuid() != 0)
        QSKIP("bind mounts need root");
    // Both folders sit on the same file system, so the device numbers match.
    QTemporaryDir base;
    QTemporaryDir outside;
    QFile precious(outside.filePath(QStringLiteral("precious.dat")));
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.close();
    const QString root = base.filePath(QStringLiteral("tree"));
    const QString mountPoint = mountIsThePath ? root : root + QStringLiteral("/mounted");
    QVERIFY(QDir().mkpath(mountPoint));
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"--bind", outside.path(), mountPoint}), 0);
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint}); });

    const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(root);

    QVERIFY(error);
    QCOMPARE(error->code, EBUSY);
    QVERIFY(QFileInfo(outside.filePath(QStringLiteral("precious.dat"))).isFile());
}

QTEST_GUILESS_MAIN(tst_DirectoryRemover)
#include "tst_directoryremover.moc"
