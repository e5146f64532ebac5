#include "platform/mountinfo.h"

#include "platform/detachedthreads.h"

#include <QFile>
#include <QUrl>
#include <QHash>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace trevlamark {

namespace {

const QLatin1String smbnetfsType("fuse.smbnetfs");
const QLatin1String gvfsType("fuse.gvfsd-fuse");

bool isWebSource(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool isBelow(const QString &path, const QString &mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

} // namespace

QString MountInfo::tablePath()
{
    return QStringLiteral("/proc/self/mountinfo");
}

QString MountInfo::unescape(const QString &field)
{
    const QByteArray bytes = field.toUtf8();
    QByteArray result;
    result.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\\' && i + 3 < bytes.size()) {
            const char a = bytes.at(i + 1), b = bytes.at(i + 2), d = bytes.at(i + 3);
            const auto isOctal = [](char digit) { return digit >= '0' && digit <= '7'; };
            if (isOctal(a) && isOctal(b) && isOctal(d)) {
                const int value = (a - '0') * 64 + (b - '0') * 8 + (d - '0');
                if (value <= 0xff) {
                    result.append(char(value));
                    i += 3;
                    continue;
                }
            }
        }
        result.append(c);
    }
    return QString::fromUtf8(result);
}

std::optional<MountEntry> MountInfo::parseLine(const QString &line)
{
    const QStringList fields = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const qsizetype separator = fields.indexOf(QStringLiteral("-"), 6);
    if (fields.size() < 5 || separator < 6 || separator + 1 >= fields.size())
        return std::nullopt;
    bool idOk = false, parentOk = false;
    MountEntry entry;
    entry.mountId = fields.at(0).toInt(&idOk);
    entry.parentId = fields.at(1).toInt(&parentOk);
    if (!idOk || !parentOk)
        return std::nullopt;
    entry.mountPoint = unescape(fields.at(4));
    entry.mountOptions = fields.at(5);
    entry.filesystemType = unescape(fields.at(separator + 1));
    entry.source = separator + 2 < fields.size() ? unescape(fields.at(separator + 2)) : QString();
    entry.superOptions = separator + 3 < fields.size() ? unescape(fields.at(separator + 3)) : QString();
    if (!entry.mountPoint.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return entry;
}

QList<MountEntry> MountInfo::parseTable(const QString &text)
{
    QList<MountEntry> table;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const std::optional<MountEntry> entry = parseLine(line))
            table.append(*entry);
    }
    return table;
}

std::optional<QList<MountEntry>> MountInfo::readTable(QString *errorText)
{
    QFile file(tablePath());
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return std::nullopt;
    }
    // A procfs file reports size 0, so read until the end rather than by size.
    return parseTable(QString::fromUtf8(file.readAll()));
}

bool MountInfo::isNetworkFilesystem(const QString &filesystemType, const QString &source)
{
    static const QStringList networkTypes = {
        QStringLiteral("cifs"), QStringLiteral("smb3"), QStringLiteral("smbfs"), QStringLiteral("nfs"),
        QStringLiteral("nfs4"), QStringLiteral("fuse.sshfs"), QStringLiteral("davfs"), QStringLiteral("fuse.davfs"),
        smbnetfsType, QStringLiteral("afpfs"), QStringLiteral("fuse.afpfs"), QStringLiteral("ceph"),
        QStringLiteral("glusterfs"), QStringLiteral("fuse.glusterfs"), QStringLiteral("9p")};
    if (networkTypes.contains(filesystemType))
        return true;
    return (filesystemType == QLatin1String("fuse") || filesystemType.startsWith(QLatin1String("fuse.")))
        && isWebSource(source);
}

bool MountInfo::isSmbnetfs(const MountEntry &entry)
{
    return entry.filesystemType == smbnetfsType;
}

bool MountInfo::isGvfs(const MountEntry &entry)
{
    return entry.filesystemType == gvfsType;
}

QString MountInfo::optionValue(const QString &options, const QString &key)
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString &option : options.split(QLatin1Char(','))) {
        if (option.startsWith(prefix))
            return option.mid(prefix.size());
    }
    return {};
}

std::optional<QString> MountInfo::buildUrl(const QString &scheme, const QString &user, const QString &host,
                                           const QString &path)
{
    if (host.isEmpty())
        return std::nullopt;
    QUrl url;
    url.setScheme(scheme);
    if (!user.isEmpty())
        url.setUserName(user, QUrl::DecodedMode);
    url.setHost(host, QUrl::DecodedMode);
    url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path, QUrl::DecodedMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url.toString(QUrl::FullyEncoded);
}

std::optional<QString> MountInfo::urlFromHostPath(const QString &scheme, const QString &user, const QString &hostPath)
{
    QString host;
    QString path;
    if (hostPath.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPath.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        host = hostPath.mid(1, close - 1);
        const QString rest = hostPath.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return std::nullopt;
        path = rest.mid(1);
    } else {
        const qsizetype colon = hostPath.indexOf(QLatin1Char(':'));
        host = colon < 0 ? hostPath : hostPath.left(colon);
        path = colon < 0 ? QString() : hostPath.mid(colon + 1);
    }
    return buildUrl(scheme, user, host, path);
}

std::optional<QString> MountInfo::remountUrl(const MountEntry &entry)
{
    const QString &type = entry.filesystemType;
    const QString &source = entry.source;
    if (type == QLatin1String("cifs") || type == QLatin1String("smb3") || type == QLatin1String("smbfs")) {
        QString unc = source;
        unc.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!unc.startsWith(QLatin1String("//")))
            return std::nullopt;
        unc = unc.mid(2);
        const qsizetype slash = unc.indexOf(QLatin1Char('/'));
        const QString host = slash < 0 ? unc : unc.left(slash);
        const QString path = slash < 0 ? QString() : unc.mid(slash);
        QString user = optionValue(entry.superOptions, QStringLiteral("username"));
        if (user.isEmpty())
            user = optionValue(entry.mountOptions, QStringLiteral("username"));
        return buildUrl(QStringLiteral("smb"), user, host, path);
    }
    if (type == QLatin1String("nfs") || type == QLatin1String("nfs4")) {
        if (!source.contains(QLatin1Char(':')))
            return std::nullopt;
        return urlFromHostPath(QStringLiteral("nfs"), QString(), source);
    }
    if (type == QLatin1String("fuse.sshfs")) {
        const qsizetype colon = source.startsWith(QLatin1Char('[')) ? -1 : source.indexOf(QLatin1Char(':'));
        const qsizetype at = source.lastIndexOf(QLatin1Char('@'), colon < 0 ? -1 : colon);
        const QString user = at < 0 ? QString() : source.left(at);
        return urlFromHostPath(QStringLiteral("sftp"), user, source.mid(at + 1));
    }
    if (isNetworkFilesystem(type, source) && isWebSource(source)) {
        const QUrl url(source);
        if (!url.isValid() || url.host().isEmpty())
            return std::nullopt;
        return url.toString(QUrl::FullyEncoded);
    }
    if ((type == QLatin1String("afpfs") || type == QLatin1String("fuse.afpfs"))
        && source.startsWith(QLatin1String("afp://"), Qt::CaseInsensitive)) {
        const QUrl url(source);
        if (!url.isValid() || url.host().isEmpty())
            return std::nullopt;
        return url.toString(QUrl::FullyEncoded);
    }
    return std::nullopt;
}

std::optional<QString> MountInfo::gvfsRemountUrl(const QString &folderName)
{
    const qsizetype colon = folderName.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString kind = folderName.left(colon);
    QHash<QString, QString> values;
    for (const QString &pair : folderName.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(pair.left(equals), QUrl::fromPercentEncoding(pair.mid(equals + 1).toUtf8()));
    }
    const QString host = values.value(QStringLiteral("host"), values.value(QStringLiteral("server")));
    const QString user = values.value(QStringLiteral("user"));
    if (kind == QLatin1String("smb-share"))
        return buildUrl(QStringLiteral("smb"), user, host, values.value(QStringLiteral("share")));
    if (kind == QLatin1String("dav") || kind == QLatin1String("davs")) {
        const bool secure = kind == QLatin1String("davs") || values.value(QStringLiteral("ssl")) == QLatin1String("true");
        return buildUrl(secure ? QStringLiteral("https") : QStringLiteral("http"), user, host,
                        values.value(QStringLiteral("prefix")));
    }
    if (kind == QLatin1String("sftp"))
        return buildUrl(QStringLiteral("sftp"), user, host, values.value(QStringLiteral("prefix")));
    if (kind == QLatin1String("nfs"))
        return buildUrl(QStringLiteral("nfs"), QString(), host, values.value(QStringLiteral("prefix")));
    if (kind == QLatin1String("afp-volume"))
        return buildUrl(QStringLiteral("afp"), user, host, values.value(QStringLiteral("volume")));
    if (kind == QLatin1String("ftp"))
        return buildUrl(QStringLiteral("ftp"), user, host, values.value(QStringLiteral("prefix")));
    return std::nullopt;
}

QString MountInfo::smbnetfsRemountUrl(const QString &host, const QString &share)
{
    return buildUrl(QStringLiteral("smb"), QString(), host, share).value_or(QString());
}

std::optional<MountEntry> MountInfo::mountContaining(const QList<MountEntry> &table, const QString &resolvedPath)
{
    std::optional<MountEntry> best;
    for (const MountEntry &entry : table) {
        // A later entry on the same mount point is mounted over the earlier one.
        if (isBelow(resolvedPath, entry.mountPoint) && (!best || entry.mountPoint.size() >= best->mountPoint.size()))
            best = entry;
    }
    return best;
}

bool MountInfo::isRemoteLocation(const MountEntry &entry, const QString &resolvedPath)
{
    if (isGvfs(entry)) {
        const QString below = resolvedPath.mid(entry.mountPoint.size() + 1);
        return gvfsRemountUrl(below.section(QLatin1Char('/'), 0, 0)).has_value();
    }
    return isNetworkFilesystem(entry.filesystemType, entry.source);
}

std::optional<bool> MountInfo::isPathOnLocalVolume(const QString &path, QString *errorText)
{
    struct Resolved
    {
        QString path;
        QString error;
    };
    // Resolving a path on a share whose server stopped waits in the kernel for
    // as long as the share does; the caller, often the window, gives up instead.
    const std::optional<Resolved> resolved = DetachedThreads::runWithin<Resolved>(
        resolveWaitSeconds, [encoded = QFile::encodeName(path)] {
            char buffer[PATH_MAX];
            if (!::realpath(encoded.constData(), buffer))
                return Resolved{QString(), qt_error_string(errno)};
            return Resolved{QFile::decodeName(buffer), QString()};
        });
    if (!resolved || resolved->path.isEmpty()) {
        if (errorText) {
            *errorText = resolved ? resolved->error
                                  : QStringLiteral("%1 did not answer within %2 seconds").arg(path).arg(resolveWaitSeconds);
        }
        return std::nullopt;
    }
    const std::optional<QList<MountEntry>> table = readTable(errorText);
    if (!table)
        return std::nullopt;
    const std::optional<MountEntry> entry = mountContaining(*table, resolved->path);
    if (!entry) {
        if (errorText)
            *errorText = QStringLiteral("No mounted volume holds ") + resolved->path;
        return std::nullopt;
    }
    return !isRemoteLocation(*entry, resolved->path);
}

} // namespace trevlamark
