#pragma once

#include <optional>

#include <QList>
#include <QString>

// The file-system work of the folder synchronisation, on POSIX calls: one directory read per
// folder and copies that never leave a half-written target behind.
namespace SyncFileOps {

enum class EntryKind {
    File,   // a regular file, or a symlink to one (read through)
    Folder, // a real folder; a symlink to a folder is never followed
    Other,  // FIFO, socket, device, dangling or folder symlink: never opened
};

struct FolderEntry
{
    QString name;
    EntryKind kind = EntryKind::Other;
    qint64 size = 0;
    qint64 mtimeNs = 0;    // modification time, ns since the epoch
    bool readOnly = false; // the owner lacks write permission
};

// A failed step: its text and the error number the error log uses.
struct Failure
{
    QString description;
    int number = 0;
};

// The entries of a folder in the file system's order.
[[nodiscard]] std::optional<QList<FolderEntry>> listFolder(const QString& folder, Failure* failure);

// Copies source to target through a temporary file beside the target that is renamed over it,
// so a read-only or half-replaced target never survives; keeps the source's permissions and
// modification time. Gives the bytes copied.
[[nodiscard]] std::optional<qint64> copyFile(const QString& source, const QString& target,
                                             Failure* failure);

// Creates the folder (its parent must exist); an existing folder is fine.
[[nodiscard]] bool makeFolder(const QString& folder, Failure* failure);

enum class PairRelation { Apart, Same, Nested };
// How two folders lie to each other after symlinks are resolved; a path that does not exist
// yet is resolved through its nearest existing parent.
[[nodiscard]] PairRelation relation(const QString& first, const QString& second);

} // namespace SyncFileOps
