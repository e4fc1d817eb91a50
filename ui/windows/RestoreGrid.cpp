#include "RestoreGrid.h"

#include "QEV_ErrorLog.h"

RestoreGrid::RestoreGrid(QObject* parent) : QAbstractTableModel(parent) { }

int RestoreGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RestoreGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RestoreGrid::fileNameOf(const QString& storedName)
{
    QString name = storedName;
    while (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')))
        name.chop(1);
    const qsizetype cut = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(cut + 1);
}

QVariant RestoreGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const RestoreHit& h = hit(index.row());
    if (role == Qt::TextAlignmentRole && (index.column() == FileSize || index.column() == Index))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case FileName:
        return fileNameOf(h.storedName);
    case DateTime:
        return GeneralDate(h.modified);
    case FileSize:
        return QString::number(h.size);
    case Archive:
        return h.archive;
    case Index:
        return QString::number(h.index);
    case Path:
        return h.storedName;
    default:
        return QString();
    }
}

QVariant RestoreGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_hasHeader ? caption(section) : QString();
}

QString RestoreGrid::caption(int column)
{
    static const char* const captions[ColumnCount]
        = {"", "File Name", "Date & Time", "File Size", "Archive", "Index", "Path"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(captions[column]) : QString();
}

void RestoreGrid::startSearch()
{
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    endResetModel();
    m_hasHeader = true;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void RestoreGrid::flush()
{
    if (m_pending.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(m_pending.begin()),
                  std::make_move_iterator(m_pending.end()));
    m_pending.clear();
    endInsertRows();
}
