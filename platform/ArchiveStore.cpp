#include "ArchiveStore.h"

#include <memory>
#include <optional>

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "Paths.h"

namespace {

struct Closer
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

struct Finalizer
{
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// A row of a run's snapshot is keyed by 128 bits of hash of its path rather than by the path,
// so that it takes a few dozen bytes however long the path. A wrong answer would need two paths
// alike in all 128 bits whose files also share the time to the nanosecond and the size.
struct PathKey
{
    quint64 first = 0;
    quint64 second = 0;
    friend bool operator==(const PathKey&, const PathKey&) = default;
};

size_t qHash(const PathKey& key, size_t seed = 0) noexcept { return key.first ^ seed; }

PathKey keyOf(QByteArrayView utf8Path)
{
    return {qHash(utf8Path, size_t(0x9e3779b97f4a7c15)), qHash(utf8Path, size_t(0xc2b2ae3d27d4eb4f))};
}

using Rows = QHash<PathKey, ArchiveStore::Stamp>;

// The store as the run read it, and the files the run found with their attribute set.
struct Snapshot
{
    Rows stored;
    Rows seen;
};

// Statements are prepared once per connection: preparing one per file looked up cost more than
// the lookup itself. They are declared after the database so that they are finalized first.
struct Connection
{
    QString file;
    std::unique_ptr<sqlite3, Closer> db;
    Statement lookup;
    Statement insert;
    Statement remove;
    std::optional<Snapshot> snapshot;
};

Connection& connection()
{
    static Connection c;
    return c;
}

bool fail(sqlite3* db, const QString& what, QString* error)
{
    if (error)
        *error = what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    return false;
}

bool createTable(sqlite3* db, QString* error)
{
    const char* sql = "CREATE TABLE IF NOT EXISTS cleared ("
                      "path TEXT PRIMARY KEY, mtime_ns INTEGER NOT NULL, size INTEGER NOT NULL)";
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(db, QStringLiteral("cannot prepare ") + ArchiveStore::databaseFile(), error);
    return true;
}

sqlite3* open(QString* error)
{
    Connection& c = connection();
    const QString file = ArchiveStore::databaseFile();
    if (c.db && c.file == file)
        return c.db.get();
    c.snapshot.reset();
    c.db.reset();
    QDir().mkpath(QFileInfo(file).path());
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK) {
        fail(raw, QStringLiteral("cannot open ") + file, error);
        return nullptr;
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3_busy_timeout(raw, 2000);
    // A commit in the write-ahead log waits for no disk flush; a clear lost with the power
    // only means the file is backed up once more, and the file itself stays consistent.
    sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(raw, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    if (!createTable(raw, error))
        return nullptr;
    c.file = file;
    c.db = std::move(db);
    return raw;
}

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

// The connection's statement for sql, ready to be bound again; null when it cannot be prepared.
sqlite3_stmt* statement(Statement& slot, sqlite3* db, const char* sql)
{
    if (!slot)
        slot = prepare(db, sql);
    if (slot) {
        sqlite3_reset(slot.get());
        sqlite3_clear_bindings(slot.get());
    }
    return slot.get();
}

void bindPath(sqlite3_stmt* s, const QByteArray& path)
{
    sqlite3_bind_text(s, 1, path.constData(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
}

// Runs a prepared change and frees the statement for the next one.
bool written(sqlite3* db, sqlite3_stmt* s, QString* error)
{
    const bool ok = sqlite3_step(s) == SQLITE_DONE
        || fail(db, QStringLiteral("cannot write ") + ArchiveStore::databaseFile(), error);
    sqlite3_reset(s);
    return ok;
}

bool readAll(sqlite3* db, Rows* rows, QString* error)
{
    const Statement s = prepare(db, "SELECT path, mtime_ns, size FROM cleared");
    if (!s)
        return fail(db, QStringLiteral("cannot read ") + ArchiveStore::databaseFile(), error);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const auto* path = static_cast<const char*>(sqlite3_column_blob(s.get(), 0));
        const QByteArrayView utf8(path, sqlite3_column_bytes(s.get(), 0));
        rows->insert(keyOf(utf8), {sqlite3_column_int64(s.get(), 1), sqlite3_column_int64(s.get(), 2)});
    }
    if (rc != SQLITE_DONE)
        return fail(db, QStringLiteral("cannot read ") + ArchiveStore::databaseFile(), error);
    return true;
}

bool readSnapshot(sqlite3* db, QString* error)
{
    Snapshot rows;
    Connection& c = connection();
    if (c.snapshot)
        rows.seen = std::move(c.snapshot->seen);
    c.snapshot.reset();
    if (!readAll(db, &rows.stored, error))
        return false;
    c.snapshot = std::move(rows);
    return true;
}

} // namespace

QString ArchiveStore::databaseFile() { return Paths::baseFolder() + QStringLiteral("/archive.db"); }

void ArchiveStore::reset()
{
    Connection& c = connection();
    c.lookup.reset();
    c.insert.reset();
    c.remove.reset();
    c.snapshot.reset();
    c.db.reset();
    c.file.clear();
}

bool ArchiveStore::isCleared(const QString& path, const Stamp& stamp, bool* cleared, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    const QByteArray utf8 = path.toUtf8();
    if (std::optional<Snapshot>& run = connection().snapshot) {
        const PathKey key = keyOf(utf8);
        const auto row = run->stored.constFind(key);
        *cleared = row != run->stored.cend() && row->mtimeNs == stamp.mtimeNs && row->size == stamp.size;
        if (!*cleared)
            run->seen.insert(key, stamp);
        return true;
    }
    sqlite3_stmt* s = statement(connection().lookup, db,
                                "SELECT mtime_ns, size FROM cleared WHERE path = ?1");
    if (!s)
        return fail(db, QStringLiteral("cannot read ") + databaseFile(), error);
    bindPath(s, utf8);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return fail(db, QStringLiteral("cannot read ") + databaseFile(), error);
    *cleared = rc == SQLITE_ROW && sqlite3_column_int64(s, 0) == stamp.mtimeNs
        && sqlite3_column_int64(s, 1) == stamp.size;
    sqlite3_reset(s); // ends the read, so that it holds no snapshot of the file open
    return true;
}

bool ArchiveStore::clear(const QString& path, const Stamp& stamp, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    sqlite3_stmt* s = statement(connection().insert, db,
                                "INSERT OR REPLACE INTO cleared (path, mtime_ns, size) "
                                "VALUES (?1, ?2, ?3)");
    if (!s)
        return fail(db, QStringLiteral("cannot write ") + databaseFile(), error);
    const QByteArray utf8 = path.toUtf8();
    bindPath(s, utf8);
    sqlite3_bind_int64(s, 2, stamp.mtimeNs);
    sqlite3_bind_int64(s, 3, stamp.size);
    if (!written(db, s, error))
        return false;
    if (std::optional<Snapshot>& run = connection().snapshot) {
        run->stored.insert(keyOf(utf8), stamp);
        run->seen.remove(keyOf(utf8));
    }
    return true;
}

bool ArchiveStore::set(const QString& path, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    sqlite3_stmt* s = statement(connection().remove, db, "DELETE FROM cleared WHERE path = ?1");
    if (!s)
        return fail(db, QStringLiteral("cannot write ") + databaseFile(), error);
    const QByteArray utf8 = path.toUtf8();
    bindPath(s, utf8);
    if (!written(db, s, error))
        return false;
    if (std::optional<Snapshot>& run = connection().snapshot)
        run->stored.remove(keyOf(utf8));
    return true;
}

bool ArchiveStore::beginBatch(QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(db, QStringLiteral("cannot write ") + databaseFile(), error);
    return true;
}

bool ArchiveStore::commitBatch(QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(db, QStringLiteral("cannot write ") + databaseFile(), error);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        // The copy took the batch's changes as they were made: it follows the store back.
        if (connection().snapshot)
            (void)readSnapshot(db, nullptr);
        return false;
    }
    return true;
}

bool ArchiveStore::beginSnapshot(QString* error)
{
    connection().snapshot.reset();
    sqlite3* db = open(error);
    return db && readSnapshot(db, error);
}

void ArchiveStore::endSnapshot() { connection().snapshot.reset(); }

bool ArchiveStore::seenInRun(const QString& path, Stamp* stamp)
{
    const std::optional<Snapshot>& run = connection().snapshot;
    if (!run)
        return false;
    const auto seen = run->seen.constFind(keyOf(path.toUtf8()));
    if (seen == run->seen.cend())
        return false;
    *stamp = *seen;
    return true;
}
