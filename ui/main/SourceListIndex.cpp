#include "SourceListIndex.h"

#include <QAbstractItemModel>
#include <QListWidget>

SourceListIndex::SourceListIndex(QListWidget* list)
    : QObject(list)
    , m_model(list->model())
{
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { inserted(first, last); });
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { removing(first, last); });
    // A flag or check change reports the row as changed too: only the rows named are read.
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& top, const QModelIndex& bottom) {
                changed(top.row(), bottom.row());
            });
    // Moves and sorting are rare enough to count again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &SourceListIndex::rebuild);
    connect(m_model, &QAbstractItemModel::rowsMoved, this, &SourceListIndex::rebuild);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &SourceListIndex::rebuild);
    rebuild();
}

QString SourceListIndex::textAt(int row) const
{
    return m_model->index(row, 0).data(Qt::DisplayRole).toString();
}

void SourceListIndex::count(const QString& text) { ++m_counts[text]; }

void SourceListIndex::uncount(const QString& text)
{
    const auto it = m_counts.find(text);
    if (it != m_counts.end() && --it.value() <= 0)
        m_counts.erase(it);
}

void SourceListIndex::inserted(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const QString text = textAt(row);
        m_texts.insert(row, text);
        count(text);
    }
}

void SourceListIndex::removing(int first, int last)
{
    for (int row = last; row >= first && row < m_texts.size(); --row)
        uncount(m_texts.takeAt(row));
}

void SourceListIndex::changed(int first, int last)
{
    for (int row = qMax(first, 0); row <= last && row < m_texts.size(); ++row) {
        const QString text = textAt(row);
        if (text == m_texts.at(row))
            continue;
        uncount(m_texts.at(row));
        m_texts[row] = text;
        count(text);
    }
}

void SourceListIndex::rebuild()
{
    m_texts.clear();
    m_counts.clear();
    inserted(0, m_model->rowCount() - 1);
}
