#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Paths kept one after another, each as the length it shares with the one before and the rest,
// in UTF-8: the files of a run, a few folders' worth of names, take a fraction of their length.
class PackedPaths
{
public:
    void append(const QString& path);
    [[nodiscard]] bool isEmpty() const { return m_bytes.isEmpty(); }
    void clear();
    // The paths in the order they were given, at most count at a time.
    void forEachBatch(qsizetype count, const std::function<void(const QStringList&)>& take) const;
    [[nodiscard]] QStringList all() const;

private:
    QByteArray m_bytes;
    QByteArray m_last;
};
