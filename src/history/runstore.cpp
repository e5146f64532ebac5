#include "history/runstore.h"

#include <QAtomicInteger>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariant>

namespace trevlamark {

namespace {

// The summary columns in the order save() binds and list() reads them; the
// result JSON follows them in its own column.
const char *const kColumns[] = {
    "finished_at", "host_name", "program_version", "kernel",
    "location_path", "file_system_type", "protocol", "server", "share_name",
    "interface_name", "interface_kind", "link_speed_mbps", "mtu",
    "chunk_size_bytes", "queue_depth", "bytes_per_cycle", "total_cycles",
    "disable_cache", "write_phase_enabled", "read_phase_enabled", "sampling_rate_seconds",
    "outcome", "error_message", "write_mbps", "read_mbps",
};

QString columnList()
{
    QStringList names;
    for (const char *name : kColumns)
        names.append(QLatin1String(name));
    return names.join(QStringLiteral(", "));
}

// Migration n brings the schema from version n - 1 to n. Only the key column
// differs between the two databases.
QStringList migration(int version, DatabaseLocation::Kind kind)
{
    const QString key = kind == DatabaseLocation::Kind::SQLite ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
                                                               : QStringLiteral("BIGSERIAL PRIMARY KEY");
    switch (version) {
    case 1:
        return {
            QStringLiteral("CREATE TABLE runs (id %1,"
                           " finished_at BIGINT NOT NULL, host_name TEXT, program_version TEXT, kernel TEXT,"
                           " location_path TEXT, file_system_type TEXT, protocol TEXT, server TEXT, share_name TEXT,"
                           " interface_name TEXT, interface_kind TEXT, link_speed_mbps INTEGER, mtu INTEGER,"
                           " chunk_size_bytes BIGINT, queue_depth INTEGER, bytes_per_cycle BIGINT, total_cycles INTEGER,"
                           " disable_cache INTEGER, write_phase_enabled INTEGER, read_phase_enabled INTEGER,"
                           " sampling_rate_seconds DOUBLE PRECISION, outcome TEXT NOT NULL, error_message TEXT,"
                           " write_mbps DOUBLE PRECISION, read_mbps DOUBLE PRECISION, result_json TEXT NOT NULL)")
                .arg(key),
            QStringLiteral("CREATE INDEX runs_finished_at ON runs (finished_at)"),
            QStringLiteral("CREATE INDEX runs_location ON runs (location_path, finished_at)"),
        };
    default:
        return {};
    }
}

// Milliseconds since the epoch: sorts and converts much faster than text.
qint64 timeValue(const QDateTime &time)
{
    return time.toMSecsSinceEpoch();
}

QVariant optionalInt(const std::optional<int> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

std::optional<int> intOrNothing(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<int>(value.toInt());
}

RunRecord recordFromQuery(const QSqlQuery &query)
{
    int column = 0;
    const auto next = [&] { return query.value(column++); };
    RunRecord record;
    record.id = next().toLongLong();
    record.finishedAt = QDateTime::fromMSecsSinceEpoch(next().toLongLong(), Qt::UTC);
    record.hostName = next().toString();
    record.programVersion = next().toString();
    record.kernel = next().toString();
    record.locationPath = next().toString();
    record.fileSystemType = next().toString();
    record.protocol = next().toString();
    record.server = next().toString();
    record.shareName = next().toString();
    record.interfaceName = next().toString();
    record.interfaceKind = next().toString();
    record.linkSpeedMbps = intOrNothing(next());
    record.mtu = intOrNothing(next());
    record.chunkSizeBytes = next().toLongLong();
    record.queueDepth = next().toInt();
    record.bytesPerCycle = next().toLongLong();
    record.totalCycles = next().toInt();
    record.disableCache = next().toInt() != 0;
    record.writePhaseEnabled = next().toInt() != 0;
    record.readPhaseEnabled = next().toInt() != 0;
    record.samplingRateSeconds = next().toDouble();
    record.outcome = runOutcomeFromText(next().toString()).value_or(RunOutcome::Failed);
    record.errorMessage = next().toString();
    record.writeMegabytesPerSecond = next().toDouble();
    record.readMegabytesPerSecond = next().toDouble();
    return record;
}

QString sortColumn(RunQuery::SortKey key)
{
    switch (key) {
    case RunQuery::SortKey::FinishedAt: return QStringLiteral("finished_at");
    case RunQuery::SortKey::LocationPath: return QStringLiteral("location_path");
    case RunQuery::SortKey::Protocol: return QStringLiteral("protocol");
    case RunQuery::SortKey::ChunkSize: return QStringLiteral("chunk_size_bytes");
    case RunQuery::SortKey::QueueDepth: return QStringLiteral("queue_depth");
    case RunQuery::SortKey::BytesPerCycle: return QStringLiteral("bytes_per_cycle");
    case RunQuery::SortKey::TotalCycles: return QStringLiteral("total_cycles");
    case RunQuery::SortKey::WriteSpeed: return QStringLiteral("write_mbps");
    case RunQuery::SortKey::ReadSpeed: return QStringLiteral("read_mbps");
    case RunQuery::SortKey::Outcome: return QStringLiteral("outcome");
    }
    return QStringLiteral("finished_at");
}

QString likePattern(const QString &text)
{
    QString escaped = text.toLower();
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

RunStore::RunStore(const DatabaseLocation &location)
    : m_location(location)
{
    static QAtomicInteger<int> connections;
    m_connectionName = QStringLiteral("trevlamark-history-%1").arg(connections.fetchAndAddRelaxed(1));
}

RunStore::~RunStore()
{
    close();
}

QSqlDatabase RunStore::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void RunStore::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_open = false;
}

bool RunStore::fail(const QString &action, const QSqlError &error)
{
    m_damaged = isDamage(error);
    m_errorText = QStringLiteral("cannot %1 the history database \"%2\": %3")
                      .arg(action, m_location.displayText(), error.text().trimmed());
    return false;
}

bool RunStore::isDamage(const QSqlError &error) const
{
    if (m_location.kind != DatabaseLocation::Kind::SQLite)
        return false;
    // SQLITE_CORRUPT and SQLITE_NOTADB, also as extended codes.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}

bool RunStore::connect()
{
    close();
    const bool sqlite = m_location.kind == DatabaseLocation::Kind::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connectionName);
    if (!db.isValid()) {
        m_errorText = QStringLiteral("cannot open the history database \"%1\": the Qt SQL driver %2 is not installed"
                                     " (Debian package %3)")
                          .arg(m_location.displayText(), driver,
                              sqlite ? QStringLiteral("libqt6sql6-sqlite") : QStringLiteral("libqt6sql6-psql"));
        return false;
    }
    if (sqlite) {
        QDir().mkpath(QFileInfo(m_location.filePath).absolutePath());
        db.setDatabaseName(m_location.filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMilliseconds));
    } else {
        db.setHostName(m_location.hostName);
        db.setPort(m_location.port);
        db.setUserName(m_location.userName);
        db.setPassword(m_location.password);
        db.setDatabaseName(m_location.databaseName);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    if (!db.open())
        return fail(QStringLiteral("open"), db.lastError());
    if (sqlite) {
        // WAL lets a reader and a writer, and writers one after the other,
        // share the file. With WAL, synchronous=NORMAL keeps the file sound
        // through a power cut (only the last commits may be lost) and spares
        // each save its fsync.
        QSqlQuery query(db);
        // Two processes opening a new file race to switch it to WAL, and the
        // loser is told "database is locked" at once, past the busy timeout.
        QElapsedTimer waited;
        waited.start();
        while (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
            const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
            const bool busy = code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
            if (!busy || waited.hasExpired(busyTimeoutMilliseconds))
                return fail(QStringLiteral("open"), query.lastError());
            QThread::msleep(10);
        }
        if (!query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
            return fail(QStringLiteral("open"), query.lastError());
    }
    return true;
}

bool RunStore::migrate()
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    const bool sqlite = m_location.kind == DatabaseLocation::Kind::SQLite;
    const auto readVersion = [&]() -> std::optional<int> {
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")))
            return std::nullopt;
        return query.next() ? query.value(0).toInt() : 0;
    };
    if (db.tables().contains(QStringLiteral("schema_version"))) {
        const std::optional<int> version = readVersion();
        if (!version)
            return fail(QStringLiteral("read"), query.lastError());
        if (*version == schemaVersion)
            return true;
    }

    // Another process may be migrating too: take the write lock first, then look again.
    const QString begin = sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    if (!query.exec(begin))
        return fail(QStringLiteral("update"), query.lastError());
    const auto rollBack = [&](const QSqlError &error) {
        const bool failed = fail(QStringLiteral("update"), error);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return failed;
    };
    if (!sqlite && !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(742153)")))
        return rollBack(query.lastError());
    if (!db.tables().contains(QStringLiteral("schema_version"))
        && !query.exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")))
        return rollBack(query.lastError());
    const std::optional<int> version = readVersion();
    if (!version)
        return rollBack(query.lastError());
    if (*version > schemaVersion) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        m_errorText = QStringLiteral("the history database \"%1\" was made by a newer Trevlamark (schema %2, this one"
                                     " knows %3)")
                          .arg(m_location.displayText())
                          .arg(*version)
                          .arg(schemaVersion);
        return false;
    }
    for (int step = *version + 1; step <= schemaVersion; ++step) {
        for (const QString &statement : migration(step, m_location.kind)) {
            if (!query.exec(statement))
                return rollBack(query.lastError());
        }
    }
    if (!query.exec(QStringLiteral("DELETE FROM schema_version")))
        return rollBack(query.lastError());
    query.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
    query.addBindValue(schemaVersion);
    if (!query.exec() || !query.exec(QStringLiteral("COMMIT")))
        return rollBack(query.lastError());
    return true;
}

bool RunStore::moveDamagedFileAside()
{
    close();
    m_movedAside = true;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = m_location.filePath + QStringLiteral(".damaged-") + stamp;
    if (!QFile::rename(m_location.filePath, aside)) {
        m_errorText = QStringLiteral("the history database \"%1\" is damaged and cannot be moved aside")
                          .arg(m_location.filePath);
        return false;
    }
    // The write-ahead log and its index belong to the damaged file.
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFile::exists(m_location.filePath + QLatin1String(suffix)))
            QFile::rename(m_location.filePath + QLatin1String(suffix), aside + QLatin1String(suffix));
    }
    m_notice = QStringLiteral("the history database \"%1\" was damaged; it was moved to \"%2\" and a new one started")
                   .arg(m_location.filePath, aside);
    return true;
}

bool RunStore::open()
{
    m_errorText.clear();
    if (m_open)
        return true;
    m_damaged = false;
    if (!(connect() && migrate())) {
        if (!m_damaged || m_movedAside || !moveDamagedFileAside() || !connect() || !migrate())
            return false;
    }
    m_open = true;
    return true;
}

std::optional<qint64> RunStore::save(const RunRecord &record)
{
    if (!open())
        return std::nullopt;
    const auto insert = [&]() -> std::optional<qint64> {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("INSERT INTO runs (%1, result_json) VALUES (%2?) RETURNING id")
                          .arg(columnList(), QStringLiteral("?, ").repeated(std::size(kColumns))));
        for (const QVariant &value : {
                 QVariant(timeValue(record.finishedAt)), QVariant(record.hostName), QVariant(record.programVersion),
                 QVariant(record.kernel), QVariant(record.locationPath), QVariant(record.fileSystemType),
                 QVariant(record.protocol), QVariant(record.server), QVariant(record.shareName),
                 QVariant(record.interfaceName), QVariant(record.interfaceKind), optionalInt(record.linkSpeedMbps),
                 optionalInt(record.mtu), QVariant(record.chunkSizeBytes), QVariant(record.queueDepth),
                 QVariant(record.bytesPerCycle), QVariant(record.totalCycles), QVariant(int(record.disableCache)),
                 QVariant(int(record.writePhaseEnabled)), QVariant(int(record.readPhaseEnabled)),
                 QVariant(record.samplingRateSeconds), QVariant(runOutcomeText(record.outcome)),
                 QVariant(record.errorMessage), QVariant(record.writeMegabytesPerSecond),
                 QVariant(record.readMegabytesPerSecond),
                 QVariant(QString::fromUtf8(QJsonDocument(record.result).toJson(QJsonDocument::Compact)))})
            query.addBindValue(value);
        if (!query.exec() || !query.next()) {
            fail(QStringLiteral("save the run in"), query.lastError());
            return std::nullopt;
        }
        return query.value(0).toLongLong();
    };
    if (const std::optional<qint64> id = insert())
        return id;
    // A file damaged since it was opened: start afresh once, so the run is kept.
    if (!m_damaged || m_movedAside)
        return std::nullopt;
    const QString saveError = m_errorText;
    if (!moveDamagedFileAside() || !connect() || !migrate()) {
        m_errorText = saveError;
        return std::nullopt;
    }
    return insert();
}

std::optional<QList<RunRecord>> RunStore::list(const RunQuery &query)
{
    if (!open())
        return std::nullopt;
    QStringList conditions;
    QVariantList values;
    if (!query.locationPath.isEmpty()) {
        conditions.append(QStringLiteral("location_path = ?"));
        values.append(query.locationPath);
    }
    if (!query.text.isEmpty()) {
        conditions.append(QStringLiteral("(LOWER(location_path) LIKE ? ESCAPE '\\' OR LOWER(server) LIKE ? ESCAPE '\\'"
                                         " OR LOWER(share_name) LIKE ? ESCAPE '\\' OR LOWER(host_name) LIKE ? ESCAPE '\\')"));
        for (int i = 0; i < 4; ++i)
            values.append(likePattern(query.text));
    }
    if (!query.protocol.isEmpty()) {
        conditions.append(QStringLiteral("protocol = ?"));
        values.append(query.protocol);
    }
    if (query.outcome) {
        conditions.append(QStringLiteral("outcome = ?"));
        values.append(runOutcomeText(*query.outcome));
    }
    if (query.since.isValid()) {
        conditions.append(QStringLiteral("finished_at >= ?"));
        values.append(timeValue(query.since));
    }
    if (query.until.isValid()) {
        conditions.append(QStringLiteral("finished_at < ?"));
        values.append(timeValue(query.until));
    }
    const QString direction = query.descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
    QString statement = QStringLiteral("SELECT id, %1 FROM runs").arg(columnList());
    if (!conditions.isEmpty())
        statement += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    statement += QStringLiteral(" ORDER BY %1 %2, id %2").arg(sortColumn(query.sortKey), direction);
    if (query.limit > 0)
        statement += QStringLiteral(" LIMIT %1").arg(query.limit);

    QSqlQuery select(database());
    select.setForwardOnly(true);
    select.prepare(statement);
    for (const QVariant &value : values)
        select.addBindValue(value);
    if (!select.exec()) {
        fail(QStringLiteral("read"), select.lastError());
        return std::nullopt;
    }
    QList<RunRecord> records;
    while (select.next())
        records.append(recordFromQuery(select));
    return records;
}

std::optional<RunRecord> RunStore::find(qint64 id)
{
    if (!open())
        return std::nullopt;
    QSqlQuery select(database());
    select.prepare(QStringLiteral("SELECT id, %1, result_json FROM runs WHERE id = ?").arg(columnList()));
    select.addBindValue(id);
    if (!select.exec()) {
        fail(QStringLiteral("read"), select.lastError());
        return std::nullopt;
    }
    if (!select.next())
        return std::nullopt;
    RunRecord record = recordFromQuery(select);
    record.result = QJsonDocument::fromJson(select.value(int(std::size(kColumns)) + 1).toString().toUtf8()).object();
    return record;
}

bool RunStore::remove(qint64 id)
{
    if (!open())
        return false;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM runs WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return fail(QStringLiteral("delete a run from"), query.lastError());
    return query.numRowsAffected() > 0;
}

} // namespace trevlamark
