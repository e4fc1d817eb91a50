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
    bool nameTaken = false; // a copy that must not replace found its target there
};

enum class Placing {
    Replace,   // the copy takes the target's place
    NoReplace, // the copy fails (nameTaken) when a file of the target's name exists
    // A new target is written under its own name and removed again when the copy fails; an
    // existing one is replaced as with Replace. Spares a rename per file where no earlier copy
    // can be lost.
    InPlaceWhenNew,
};

// The entries of a folder in the file system's order.
[[nodiscard]] std::optional<QList<FolderEntry>> listFolder(const QString& folder, Failure* failure);

// Copies source to target through a temporary file beside the target that is renamed over it,
// so a read-only or half-replaced target never survives; keeps the source's permissions and
// modification time. Gives the bytes copied. NoReplace never puts the copy over a file that
// took the name meanwhile, atomically where the file system allows; InPlaceWhenNew writes a
// target that is not there yet directly.
[[nodiscard]] std::optional<qint64> copyFile(const QString& source, const QString& target,
                                             Failure* failure, Placing placing = Placing::Replace);

// Creates the folder (its parent must exist); an existing folder is fine.
[[nodiscard]] bool makeFolder(const QString& folder, Failure* failure);

enum class PairRelation { Apart, Same, Nested };
// How two folders lie to each other after symlinks are resolved; a path that does not exist
// yet is resolved through its nearest existing parent.
[[nodiscard]] PairRelation relation(const QString& first, const QString& second);

} // namespace SyncFileOps
