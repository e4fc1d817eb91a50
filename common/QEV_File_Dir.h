#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

// One directory entry as a file search finds it.
struct DirRecord
{
    quint32 attributes = 0;
    QDateTime creationTime;
    QDateTime lastAccessTime;
    QDateTime lastWriteTime;
    qint64 size = 0;
    QString fileName; // "Error" when nothing matched
};

// Trims the caller's text in place; true when a file (not a folder) matches the path or
// pattern, hidden files included.
[[nodiscard]] bool FileExists(QString& path);
[[nodiscard]] bool FileExists(const QString& path);
[[nodiscard]] QString sFixDirString(const QString& path);
// Removes one trailing "/" from the caller's path (never the root's) and gives its last part.
[[nodiscard]] QString sParseLastDir(QString& path);
[[nodiscard]] QString sParseFile(const QString& path);
[[nodiscard]] QString sParsePath(const QString& path);
// Creates every missing folder of the chain; reports the first level it cannot create.
void CreateDirectoryStruct(const QString& path);
[[nodiscard]] DirRecord Findfile(const QString& path);
[[nodiscard]] bool IsValidFilename(const QString& name);
// True when both files exist and hold the same bytes; trims the callers' texts.
[[nodiscard]] bool compare_files(QString& first, QString& second);
// Waits the given seconds on a monotonic clock, processing pending messages meanwhile.
void Wait_Seconds(int seconds);
[[nodiscard]] bool DelDir(const QString& path);
// Deletes the plain files of the pattern that are at least the given days old, except those
// in keep.
void DeleteFiles(const QString& pattern, int days, const QSet<QString>* keep = nullptr);
[[nodiscard]] int GetFileCount(const QString& pattern);

// Which entries a file search lists.
enum class ListFilter {
    Existence, // files of every kind, hidden ones too; no folders
    Folders,   // as Existence, and folders
    Plain,     // regular files that are not hidden
};
// The names (without folder) of the entries matching a path or a pattern in its last part.
[[nodiscard]] QStringList ListMatches(const QString& pattern, ListFilter filter);
// True when the text holds a wildcard of the platform's file search.
[[nodiscard]] bool HasWildcard(const QString& text);
