#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>

// One found archive entry: a row of the restore window's grid.
struct RestoreHit
{
    QString storedName; // the entry's name as the archive holds it
    QDateTime modified;
    qint64 size = 0;
    QString archive; // the archive's file name, no folder
    int index = 0;   // the entry's position in its archive, from 0
    QString folder;  // the folder the archive was found in: the restore reads it from there
};

// The grid of found entries: seven columns (an empty first one, file name, date and time, size,
// archive, index, path), names shown as stored. The header row stays empty until the first
// search sets it.
class RestoreGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Blank, FileName, DateTime, FileSize, Archive, Index, Path, ColumnCount };

    explicit RestoreGrid(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    // Cuts the grid back to its header row and gives the header its captions.
    void startSearch();
    // Rows found since the last flush wait here, so that a search adds them in batches.
    void add(RestoreHit hit) { m_pending.push_back(std::move(hit)); }
    void flush();
    [[nodiscard]] bool hasHeader() const { return m_hasHeader; }
    [[nodiscard]] const RestoreHit& hit(int row) const { return m_rows[static_cast<size_t>(row)]; }

    // The header caption of a column.
    [[nodiscard]] static QString caption(int column);
    // The file name of a stored name: the part after its last "/" or "\"; of a folder entry,
    // the folder's own name.
    [[nodiscard]] static QString fileNameOf(const QString& storedName);

private:
    std::vector<RestoreHit> m_rows;
    std::vector<RestoreHit> m_pending;
    bool m_hasHeader = false;
};
