#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Writing below a chosen folder without ever leaving it. Archives come from other machines and
// servers, so a stored name is never trusted: it must stay below the folder after "\" is read
// as "/" and "." parts are dropped. A symbolic link on the way is followed only when it was
// there before, owned by the user or root, and no restore made it.
namespace ExtractTarget {

// The stored name as a path below the folder ("/" between parts, no empty or "." part). Empty
// when the name is empty, absolute, or holds a ".." part.
[[nodiscard]] QString relativePath(const QString& storedName);

// True when something (a file, folder or link, even a dangling one) is at folder/relative.
[[nodiscard]] bool existsBelow(const QString& folder, const QString& relative);

// Creates the folder chain folder/relative.
[[nodiscard]] bool makeFolders(const QString& folder, const QString& relative, QString* error);

// True when a link at folder/relative pointing at target leads to a place below the folder.
[[nodiscard]] bool linkStaysInside(const QString& relative, const QString& target);

// Makes the link folder/relative to target (replacing what is there), never to be followed by
// a later write.
[[nodiscard]] bool makeLink(const QString& folder, const QString& relative, const QString& target,
                            QString* error);

// One file written beside its place and renamed into it at commit(), so a failure never leaves
// half a file where a good one stood. An uncommitted file is removed when the writer goes.
class FileWriter
{
    Q_DISABLE_COPY(FileWriter)
public:
    FileWriter() = default;
    ~FileWriter();

    // Creates the missing folders on the way and the file beside its place (mode 0600).
    [[nodiscard]] bool open(const QString& folder, const QString& relative, QString* error);
    [[nodiscard]] bool write(const char* data, qint64 length, QString* error);
    // Gives the file its mode and modification time, then puts it in place.
    [[nodiscard]] bool commit(mode_t mode, const QDateTime& modified, QString* error);

private:
    void discard();

    int m_dir = -1;
    int m_fd = -1;
    QByteArray m_name;
    QByteArray m_temp;
    QString m_shown;
};

} // namespace ExtractTarget
