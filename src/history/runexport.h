#pragma once
// Stored runs as files to hand on: CSV with one line per run (the summary
// fields, for a spreadsheet) or JSON with every field and the whole result.

#include "history/runrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

class RunExport
{
public:
    enum class Format { Csv, Json };

    RunExport() = delete;

    // "csv" or "json"
    static std::optional<Format> formatFromText(const QString &text);
    static QByteArray exported(const QList<RunRecord> &records, Format format);
    static QByteArray csv(const QList<RunRecord> &records);
    static QByteArray json(const QList<RunRecord> &records);
    // One line per live sample of a run: seconds on the run's time axis, the
    // phase, the test's MB/s and the interface's MB/s in and out (empty where
    // the run watched no interface).
    static QByteArray samplesCsv(const RunRecord &record);
    // A CSV field, quoted when it holds a comma, a quote or a line break.
    static QString csvField(const QString &text);
};

} // namespace trevlamark
