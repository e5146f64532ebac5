#include "ui/history/runtablemodel.h"

#include "ui/common/bytecountformat.h"

#include <QDateTime>

namespace trevlamark {

namespace {

// A phase's speed, or "—" for a phase not run or a failed run that measured nothing.
QString speedText(std::optional<double> megabytesPerSecond)
{
    return megabytesPerSecond ? QString::number(*megabytesPerSecond, 'f', 2) : QStringLiteral("—");
}

} // namespace

RunTableModel::RunTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void RunTableModel::setRuns(const QList<RunRecord> &runs)
{
    beginResetModel();
    m_runs = runs;
    endResetModel();
}

void RunTableModel::removeRun(qint64 id)
{
    for (int row = 0; row < m_runs.size(); ++row) {
        if (m_runs.at(row).id == id) {
            beginRemoveRows({}, row, row);
            m_runs.removeAt(row);
            endRemoveRows();
            return;
        }
    }
}

int RunTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_runs.size());
}

int RunTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RunTableModel::cellText(const RunRecord &run, int column)
{
    switch (column) {
    case DateColumn:
        return run.finishedAtText();
    case LocationColumn:
        return run.locationPath;
    case ProtocolColumn:
        return run.protocol.isEmpty() ? QStringLiteral("Local") : run.protocol;
    case ChunkSizeColumn:
        return formatByteCount(quint64(run.chunkSizeBytes));
    case QueueDepthColumn:
        return QString::number(run.queueDepth);
    case BytesPerCycleColumn:
        return formatByteCount(quint64(run.bytesPerCycle));
    case CyclesColumn:
        return QString::number(run.totalCycles);
    case WriteColumn:
        return speedText(run.writeSpeed());
    case ReadColumn:
        return speedText(run.readSpeed());
    case OutcomeColumn:
        return runOutcomeText(run.outcome);
    }
    return {};
}

QVariant RunTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_runs.size())
        return {};
    const RunRecord &run = m_runs.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(run, column);
    case Qt::ToolTipRole:
        if (column == OutcomeColumn && !run.errorMessage.isEmpty())
            return run.errorMessage;
        return column == LocationColumn ? QVariant(run.locationPath) : QVariant();
    case Qt::TextAlignmentRole:
        return column == WriteColumn || column == ReadColumn || column >= ChunkSizeColumn
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case SortRole:
        switch (column) {
        case DateColumn: return run.finishedAt.toMSecsSinceEpoch();
        case ChunkSizeColumn: return run.chunkSizeBytes;
        case QueueDepthColumn: return run.queueDepth;
        case BytesPerCycleColumn: return run.bytesPerCycle;
        case CyclesColumn: return run.totalCycles;
        case WriteColumn: return run.writeMegabytesPerSecond;
        case ReadColumn: return run.readMegabytesPerSecond;
        default: return cellText(run, column);
        }
    }
    return {};
}

QVariant RunTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const titles[ColumnCount] = {"Date", "Location", "Write MB/s", "Read MB/s", "Outcome",
                                                    "Protocol", "Chunk Size", "Queue Depth", "Per Cycle", "Cycles"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QString();
}

} // namespace trevlamark
