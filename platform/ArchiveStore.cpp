#include "ArchiveStore.h"

#include <memory>

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Statements are prepared once per connection: preparing one per file looked up cost more than
// the lookup itself. They are declared after the database so that they are finalized first.
struct Connection
{
    QString file;
    std::unique_ptr<sqlite3, Closer> db;
    Statement lookup;
    Statement insert;
    Statement remove;
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

} // namespace

QString ArchiveStore::databaseFile() { return Paths::baseFolder() + QStringLiteral("/archive.db"); }

void ArchiveStore::reset()
{
    Connection& c = connection();
    c.lookup.reset();
    c.insert.reset();
    c.remove.reset();
    c.db.reset();
    c.file.clear();
}

bool ArchiveStore::isCleared(const QString& path, const Stamp& stamp, bool* cleared, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    sqlite3_stmt* s = statement(connection().lookup, db,
                                "SELECT mtime_ns, size FROM cleared WHERE path = ?1");
    if (!s)
        return fail(db, QStringLiteral("cannot read ") + databaseFile(), error);
    bindPath(s, path.toUtf8());
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
    bindPath(s, path.toUtf8());
    sqlite3_bind_int64(s, 2, stamp.mtimeNs);
    sqlite3_bind_int64(s, 3, stamp.size);
    return written(db, s, error);
}

bool ArchiveStore::set(const QString& path, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    sqlite3_stmt* s = statement(connection().remove, db, "DELETE FROM cleared WHERE path = ?1");
    if (!s)
        return fail(db, QStringLiteral("cannot write ") + databaseFile(), error);
    bindPath(s, path.toUtf8());
    return written(db, s, error);
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
        return false;
    }
    return true;
}
