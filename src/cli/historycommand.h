#pragma once
// `trevlamark-cli history`: lists the stored runs, shows, compares, exports
// and deletes them, in the default history file or the database --database names.

#include "history/runrecord.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace trevlamark {

class HistoryCommand
{
public:
    HistoryCommand() = delete;

    // `arguments` as the process received them (program, "history", ...); returns the exit status.
    static int execute(const QStringList &arguments);

    // The runs as an aligned table, a header line first.
    static QString table(const QList<RunRecord> &records);
    // One run for `history show`: where and how it ran, then the engine's result lines.
    static QString details(const RunRecord &record);
};

} // namespace trevlamark
