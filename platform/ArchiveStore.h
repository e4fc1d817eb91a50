#pragma once

#include <QString>

// The user's store of cleared archive attributes: one row per file (path, modification time
// in nanoseconds, size), in an SQLite file below the base folder.
namespace ArchiveStore {

struct Stamp
{
    qint64 mtimeNs = 0;
    qint64 size = 0;
};

// True when the file's row exists and matches the stamp (its archive attribute is clear).
// During a run the stamp of a file found not cleared is kept for clearAsSeen.
[[nodiscard]] bool isCleared(const QString& path, const Stamp& stamp, bool* cleared,
                             QString* error);
// Writes the row (clears the attribute).
[[nodiscard]] bool clear(const QString& path, const Stamp& stamp, QString* error);
// Many changes in one transaction: one write to the disk instead of one per file.
[[nodiscard]] bool beginBatch(QString* error);
[[nodiscard]] bool commitBatch(QString* error);
// Deletes the row (sets the attribute).
[[nodiscard]] bool set(const QString& path, QString* error);

// A run's copy of the whole store, read in one query once the run has asked about enough files
// to make that cheaper than a query each (at once when the store is small): from then on
// lookups are answered from memory, and the clears and sets of the run go to the store and to
// the copy alike. False with a message when the store cannot be read; lookups then go to the
// store one by one.
[[nodiscard]] bool beginSnapshot(QString* error);
void endSnapshot();
// Clears the attribute of a file the run found set with the stamp it found it with (the file the
// run read, not as it may have changed since); *seen false, and nothing written, for a file the
// run did not find set or that it cleared since.
[[nodiscard]] bool clearAsSeen(const QString& path, bool* seen, QString* error);

[[nodiscard]] QString databaseFile();
// Closes the store, so that a changed base folder (tests) takes effect.
void reset();

} // namespace ArchiveStore
