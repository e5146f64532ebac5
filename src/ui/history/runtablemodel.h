#pragma once
// The kept runs as table rows for the History screen. The whole list comes in
// one go and cells are formatted when the view asks, so ten thousand runs cost
// one reset and no widget per row.

#include "history/runrecord.h"

#include <QAbstractTableModel>
#include <QList>

namespace trevlamark {

class RunTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The figures come right after the location, so a narrow window shows
    // them without scrolling; the settings follow.
    enum Column {
        DateColumn, LocationColumn, WriteColumn, ReadColumn, OutcomeColumn, ProtocolColumn, ChunkSizeColumn,
        QueueDepthColumn, BytesPerCycleColumn, CyclesColumn, ColumnCount
    };
    // The value a column sorts by: numbers and times rather than their text.
    static constexpr int SortRole = Qt::UserRole;

    explicit RunTableModel(QObject *parent = nullptr);

    void setRuns(const QList<RunRecord> &runs);
    const QList<RunRecord> &runs() const { return m_runs; }
    const RunRecord &run(int row) const { return m_runs.at(row); }
    // Drops the run with this id, if listed.
    void removeRun(qint64 id);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text a cell shows, for the view and the copied summaries.
    static QString cellText(const RunRecord &run, int column);

private:
    QList<RunRecord> m_runs;
};

} // namespace trevlamark
