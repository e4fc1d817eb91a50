#include "SourceListIndex.h"

#include <QAbstractItemModel>
#include <QListWidget>

SourceListIndex::SourceListIndex(QListWidget* list)
    : QObject(list)
    , m_model(list->model())
{
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { add(first, last); });
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { remove(first, last); });
    // Moves keep the texts; a reset or an edited text is rare enough to count again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &SourceListIndex::rebuild);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                    rebuild();
            });
    rebuild();
}

QString SourceListIndex::textAt(int row) const
{
    return m_model->index(row, 0).data(Qt::DisplayRole).toString();
}

void SourceListIndex::add(int first, int last)
{
    for (int row = first; row <= last; ++row)
        ++m_counts[textAt(row)];
}

void SourceListIndex::remove(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const auto it = m_counts.find(textAt(row));
        if (it != m_counts.end() && --it.value() <= 0)
            m_counts.erase(it);
    }
}

void SourceListIndex::rebuild()
{
    m_counts.clear();
    add(0, m_model->rowCount() - 1);
}
