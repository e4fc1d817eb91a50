#pragma once

#include <QString>
#include <QStringList>

// File attributes in the bits the program has always used. Read-only is the owner's missing
// write permission, hidden a name that begins with ".", system anything that is neither a
// regular file nor a folder. Linux has no archive attribute: the program keeps its own store
// (B/archive.db) of the files whose attribute was cleared, with their time and size.
namespace FileAttributes {

constexpr quint32 ReadOnly = 1;
constexpr quint32 Hidden = 2;
constexpr quint32 System = 4;
constexpr quint32 Directory = 16;
constexpr quint32 Archive = 32;
constexpr quint32 Normal = 128;

// What the one stat of a file told, handed along so that the later steps of a run (filters,
// room checks) need not ask the file system again. A mode of 0: the file could not be read.
struct FileStat
{
    quint32 mode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
};

// The bits of the path. False with a message when it does not exist or cannot be read. The
// stat they were taken from goes to *stat when one is given (also when the store fails).
[[nodiscard]] bool get(const QString& path, quint32* attributes, QString* error,
                       FileStat* stat = nullptr);

// Sets the bits as the system call of that name does: read-only and archive take effect,
// hidden and system do nothing, directory and normal are ignored.
[[nodiscard]] bool set(const QString& path, quint32 attributes, QString* error);

// Sets or clears the archive attribute alone (the engine's call after a file was backed up).
[[nodiscard]] bool setArchive(const QString& path, bool archive, QString* error);

// Clears the archive attribute of many files at once; the files that failed are named in *error.
// A file whose attribute was found set during the run is recorded with the time and size it
// had then, the file the run read, not as it may have changed since.
[[nodiscard]] bool clearArchive(const QStringList& paths, QString* error);

// Held for the length of a run: the archive attributes the run asks for come from one reading
// of the store instead of a query per file (ArchiveStore::beginSnapshot). A store that cannot
// be read is still asked per file, so each lookup fails and is reported as it would be without.
class RunSnapshot
{
    Q_DISABLE_COPY(RunSnapshot)
public:
    RunSnapshot();
    ~RunSnapshot();
};
} // namespace FileAttributes
