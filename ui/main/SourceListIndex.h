#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

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
    void inserted(int first, int last);
    void removing(int first, int last);
    void changed(int first, int last);
    void rebuild();
    void count(const QString& text);
    void uncount(const QString& text);
    [[nodiscard]] QString textAt(int row) const;

    QAbstractItemModel* m_model;
    QStringList m_texts; // the text of each row as last seen, to tell what a change replaced
    QHash<QString, int> m_counts;
};
