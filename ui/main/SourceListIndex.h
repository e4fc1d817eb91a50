#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAbstractItemModel;
class QListWidget;

// The texts of a list's rows in a hash beside the list, so that asking whether a row is there
// costs the same for ten rows and for ten thousand. It follows every change of the list's
// model, whoever makes it.
class SourceListIndex : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SourceListIndex)
public:
    explicit SourceListIndex(QListWidget* list);

    [[nodiscard]] bool contains(const QString& text) const { return m_counts.contains(text); }

private:
    void add(int first, int last);
    void remove(int first, int last);
    void rebuild();
    [[nodiscard]] QString textAt(int row) const;

    QAbstractItemModel* m_model;
    QHash<QString, int> m_counts;
};
