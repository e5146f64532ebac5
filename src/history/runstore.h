#pragma once
// The run history in a database through Qt SQL: the SQLite file by default
// (WAL and a busy timeout, so the window and a CLI can save at the same time)
// or a team's PostgreSQL server, with the same schema and migrations. A
// SQLite file that turns out damaged is moved aside and a fresh one started.
// One store holds one connection and is used from one thread.

#include "history/databaselocation.h"
#include "history/runquery.h"
#include "history/runrecord.h"

#include <QList>
#include <QString>
#include <optional>

class QSqlDatabase;
class QSqlError;

namespace trevlamark {

class RunStore
{
public:
    explicit RunStore(const DatabaseLocation &location);
    ~RunStore();

    // Connects and brings the schema up to date. False with errorText() set
    // when that fails; notice() then or afterwards tells of a damaged file
    // that was moved aside.
    bool open();
    bool isOpen() const { return m_open; }

    // The new run's id, or nothing (errorText() says why).
    std::optional<qint64> save(const RunRecord &record);
    // The runs without their `result`, newest first unless asked otherwise.
    std::optional<QList<RunRecord>> list(const RunQuery &query = {});
    // The whole run; nothing when there is no such run (errorText() empty) or on an error.
    std::optional<RunRecord> find(qint64 id);
    // True when the run was there and is gone; false when absent (errorText() empty) or on an error.
    bool remove(qint64 id);

    QString errorText() const { return m_errorText; }
    QString notice() const { return m_notice; }
    const DatabaseLocation &location() const { return m_location; }

    static constexpr int schemaVersion = 1;
    static constexpr int busyTimeoutMilliseconds = 10000;

private:
    QSqlDatabase database() const;
    bool connect();
    bool migrate();
    bool fail(const QString &action, const QSqlError &error);
    bool isDamage(const QSqlError &error) const;
    bool moveDamagedFileAside();
    void close();

    DatabaseLocation m_location;
    QString m_connectionName;
    QString m_errorText;
    QString m_notice;
    bool m_open = false;
    bool m_movedAside = false;
    bool m_damaged = false; // the last error said the SQLite file is damaged

    Q_DISABLE_COPY_MOVE(RunStore)
};

} // namespace trevlamark
