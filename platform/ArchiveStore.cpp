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

// What the run's copy holds of a file: the stamp of its row in the store, or the stamp with which
// the run found its attribute set, until the run clears it. One entry per file whatever the run
// learnt of it, so that a run of many files holds each once.
class Entry
{
public:
    Entry() = default;
    static Entry stored(const ArchiveStore::Stamp& stamp) { return {stamp.mtimeNs, stamp.size}; }
    // The mark sits in the sign of the size, which is never negative: the entry takes no more
    // room than the stamp.
    static Entry seen(const ArchiveStore::Stamp& stamp) { return {stamp.mtimeNs, -1 - stamp.size}; }
    [[nodiscard]] bool isSeen() const { return m_size < 0; }
    [[nodiscard]] ArchiveStore::Stamp stamp() const { return {m_mtimeNs, isSeen() ? -1 - m_size : m_size}; }
    [[nodiscard]] bool clears(const ArchiveStore::Stamp& s) const
    {
        return !isSeen() && m_mtimeNs == s.mtimeNs && m_size == s.size;
    }

private:
    Entry(qint64 mtimeNs, qint64 size) : m_mtimeNs(mtimeNs), m_size(size) { }
    qint64 m_mtimeNs = 0;
    qint64 m_size = 0;
};

using Rows = QHash<PathKey, Entry>;

// A query costs about as much as reading ten rows (measured: a lookup of its own takes a read
// lock and a search of the index): the run reads the whole table once it has asked about a
// tenth as many files as the table holds, so that a run of a few files against a large store
// does not read all of it, and a run of the whole store pays at most twice the cheaper way.
constexpr qint64 kLookupsPerRowRead = 10;

// What a run keeps of the store: the files it found with their attribute set, and, once that
// became cheaper than a query per file, the table as it read it.
struct Snapshot
{
    Rows rows;
    bool complete = false; // rows holds the table
    qint64 lookups = 0;
    qint64 tableRows = 0; // at most this many rows when the run began
    bool unreadable = false;
};

// Statements are prepared once per connection: preparing one per file looked up cost more than
// the lookup itself. They are declared after the database so that they are finalized first.
struct Connection
{
    QString base; // the base folder the store was opened in
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

bool failRead(sqlite3* db, QString* error)
{
    return fail(db, QStringLiteral("cannot read ") + ArchiveStore::databaseFile(), error);
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
    // In the middle of a batch the store stays the one the batch began in.
    if (c.db && !sqlite3_get_autocommit(c.db.get()))
        return c.db.get();
    const QString base = Paths::baseFolder();
    if (c.db && c.base == base)
        return c.db.get();
    const QString file = ArchiveStore::databaseFile();
    c.snapshot.reset();
    c.db.reset();
    QDir().mkpath(QFileInfo(file).path());
    sqlite3* raw = nullptr;
    // The store is used from one thread (the run's): its calls need not take a lock each.
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
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
    c.base = base;
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
    // Each statement binds all its parameters: the old bindings need no clearing.
    if (slot)
        sqlite3_reset(slot.get());
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

// Adds the table's rows to the run's copy; a file the run found set keeps that entry.
bool readAll(sqlite3* db, Rows* rows, QString* error)
{
    const Statement s = prepare(db, "SELECT path, mtime_ns, size FROM cleared");
    if (!s)
        return failRead(db, error);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const auto* path = static_cast<const char*>(sqlite3_column_blob(s.get(), 0));
        const QByteArrayView utf8(path, sqlite3_column_bytes(s.get(), 0));
        const ArchiveStore::Stamp stamp{sqlite3_column_int64(s.get(), 1), sqlite3_column_int64(s.get(), 2)};
        const PathKey key = keyOf(utf8);
        const auto entry = rows->constFind(key);
        if (entry == rows->cend() || !entry->isSeen())
            rows->insert(key, Entry::stored(stamp));
    }
    if (rc != SQLITE_DONE)
        return failRead(db, error);
    return true;
}

// Keeps the files the run found set, and drops the rows of the table.
void dropTable(Rows* rows)
{
    rows->removeIf([](Rows::iterator entry) { return !entry->isSeen(); });
}

// Reads the whole table into the run's copy, in place of what it held of it before; a table
// that cannot be read is asked per file.
void readStored(sqlite3* db, Snapshot* run)
{
    dropTable(&run->rows);
    run->rows.reserve(qMax(run->rows.size(), run->tableRows));
    run->unreadable = !readAll(db, &run->rows, nullptr);
    run->complete = !run->unreadable;
    if (run->unreadable)
        dropTable(&run->rows);
}

// Whether the run's copy answers for the table, read now when the lookups so far make it worth
// reading; false while the lookups go to the table one by one.
bool holdsTable(sqlite3* db, Snapshot* run)
{
    if (!run->complete && !run->unreadable && ++run->lookups * kLookupsPerRowRead >= run->tableRows)
        readStored(db, run);
    return run->complete;
}

bool queryCleared(sqlite3* db, const QByteArray& utf8, const ArchiveStore::Stamp& stamp,
                  bool* cleared, QString* error)
{
    sqlite3_stmt* s = statement(connection().lookup, db,
                                "SELECT mtime_ns, size FROM cleared WHERE path = ?1");
    if (!s)
        return failRead(db, error);
    bindPath(s, utf8);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failRead(db, error);
    *cleared = rc == SQLITE_ROW && sqlite3_column_int64(s, 0) == stamp.mtimeNs
        && sqlite3_column_int64(s, 1) == stamp.size;
    sqlite3_reset(s); // ends the read, so that it holds no snapshot of the file open
    return true;
}

// The answer of the run's copy, when it has one: a file found set earlier in the run is still
// set, any other is looked up in the table once the copy holds it.
bool copyAnswers(const Snapshot& run, const PathKey& key, const ArchiveStore::Stamp& stamp, bool* cleared)
{
    const auto entry = run.rows.constFind(key);
    const bool known = entry != run.rows.cend();
    if (known && entry->isSeen())
        *cleared = false;
    else if (run.complete)
        *cleared = known && entry->clears(stamp);
    else
        return false;
    return true;
}

// Writes the file's row, and keeps the run's copy in step.
bool writeClear(const QByteArray& utf8, const ArchiveStore::Stamp& stamp, QString* error)
{
    sqlite3* db = open(error);
    if (!db)
        return false;
    sqlite3_stmt* s = statement(connection().insert, db,
                                "INSERT OR REPLACE INTO cleared (path, mtime_ns, size) "
                                "VALUES (?1, ?2, ?3)");
    if (!s)
        return fail(db, QStringLiteral("cannot write ") + ArchiveStore::databaseFile(), error);
    bindPath(s, utf8);
    sqlite3_bind_int64(s, 2, stamp.mtimeNs);
    sqlite3_bind_int64(s, 3, stamp.size);
    if (!written(db, s, error))
        return false;
    if (std::optional<Snapshot>& run = connection().snapshot) {
        if (run->complete)
            run->rows.insert(keyOf(utf8), Entry::stored(stamp));
        else
            run->rows.remove(keyOf(utf8));
    }
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
    c.base.clear();
}

bool ArchiveStore::isCleared(const QString& path, const Stamp& stamp, bool* cleared, QString* error)
{
    const QByteArray utf8 = path.toUtf8();
    std::optional<Snapshot>& run = connection().snapshot;
    const PathKey key = run ? keyOf(utf8) : PathKey();
    // The run's copy answers without a look at the store's base folder, which stays for the run.
    if (!run || !copyAnswers(*run, key, stamp, cleared)) {
        sqlite3* db = open(error);
        if (!db)
            return false;
        const bool answered = run && holdsTable(db, &*run) && copyAnswers(*run, key, stamp, cleared);
        if (!answered && !queryCleared(db, utf8, stamp, cleared, error))
            return false;
    }
    if (run && !*cleared)
        run->rows.insert(key, Entry::seen(stamp));
    return true;
}

bool ArchiveStore::clear(const QString& path, const Stamp& stamp, QString* error)
{
    return writeClear(path.toUtf8(), stamp, error);
}

bool ArchiveStore::clearAsSeen(const QString& path, bool* seen, QString* error)
{
    *seen = false;
    const std::optional<Snapshot>& run = connection().snapshot;
    if (!run)
        return true;
    const QByteArray utf8 = path.toUtf8();
    const auto entry = run->rows.constFind(keyOf(utf8));
    if (entry == run->rows.cend() || !entry->isSeen())
        return true;
    *seen = true;
    return writeClear(utf8, entry->stamp(), error);
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
    if (std::optional<Snapshot>& run = connection().snapshot) {
        const auto entry = run->rows.find(keyOf(utf8));
        if (entry != run->rows.end() && !entry->isSeen())
            run->rows.erase(entry);
    }
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
        if (std::optional<Snapshot>& run = connection().snapshot; run && run->complete)
            readStored(db, &*run);
        return false;
    }
    return true;
}

bool ArchiveStore::beginSnapshot(QString* error)
{
    Connection& c = connection();
    c.snapshot.reset();
    sqlite3* db = open(error);
    if (!db)
        return false;
    // The highest row number: the rows there are, or a few more after deletions.
    const Statement s = prepare(db, "SELECT max(rowid) FROM cleared");
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return fail(db, QStringLiteral("cannot read ") + databaseFile(), error);
    c.snapshot.emplace();
    c.snapshot->tableRows = sqlite3_column_int64(s.get(), 0);
    return true;
}

void ArchiveStore::endSnapshot() { connection().snapshot.reset(); }
