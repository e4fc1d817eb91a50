#include "ZipArchive.h"

#include <sys/stat.h>
#include <deque>
#include <vector>

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include "ExtractTarget.h"
#include "Paths.h"
#include "ZipReadAhead.h"
#include "ZipSpool.h"
#include "ZipWriter.h"

namespace {

constexpr qint64 kExtractChunk = 256 * 1024;
// Info-ZIP's extra field "UT": a flag byte, then the modification time in seconds.
constexpr zip_uint16_t kExtendedTimestamp = 0x5455;

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString libzipText(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

QString archiveError(zip_t* za)
{
    return QString::fromLocal8Bit(zip_error_strerror(zip_get_error(za)));
}

// libzip writes no file for an archive without entries, so that form is written here: the
// end-of-central-directory record and the comment.
bool writeEmptyArchive(const QString& path, const QByteArray& comment, QString* error)
{
    QByteArray record("PK\x05\x06", 4);
    record.append(16, '\0');
    const auto length = static_cast<quint16>(comment.size());
    record.append(static_cast<char>(length & 0xff));
    record.append(static_cast<char>(length >> 8));
    record.append(comment);
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(record) != record.size() || !file.commit())
        return fail(error,
                    QStringLiteral("cannot write ") + path + QStringLiteral(": ")
                        + file.errorString());
    return true;
}

ZipAddProblem problemOf(DeflateBlocks::ReadProblem problem)
{
    switch (problem) {
    case DeflateBlocks::ReadProblem::Vanished:
        return ZipAddProblem::Vanished;
    case DeflateBlocks::ReadProblem::Unreadable:
        return ZipAddProblem::Unreadable;
    case DeflateBlocks::ReadProblem::Locked:
        return ZipAddProblem::Locked;
    case DeflateBlocks::ReadProblem::None:
    case DeflateBlocks::ReadProblem::Other:
        break;
    }
    return ZipAddProblem::Other;
}

// Info-ZIP's extended timestamp holds the exact time of the file; the DOS time only steps of two
// seconds in local time.
qint64 entryTime(zip_t* za, zip_uint64_t index, time_t dosTime)
{
    zip_uint16_t length = 0;
    const zip_uint8_t* data
        = zip_file_extra_field_get_by_id(za, index, kExtendedTimestamp, 0, &length, ZIP_FL_CENTRAL);
    if (!data || length < 5 || (data[0] & 1) == 0)
        return dosTime;
    const quint32 seconds = static_cast<quint32>(data[1]) | static_cast<quint32>(data[2]) << 8
        | static_cast<quint32>(data[3]) << 16 | static_cast<quint32>(data[4]) << 24;
    return static_cast<qint32>(seconds);
}

// The exact time of the file beside the DOS time, as Info-ZIP writes it, so that a restore
// gives back the second the file had.
void setExtendedTimestamp(zip_t* za, zip_uint64_t index, time_t modified)
{
    const auto t = static_cast<quint32>(modified);
    const zip_uint8_t field[5] = {1, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                  static_cast<zip_uint8_t>(t >> 16),
                                  static_cast<zip_uint8_t>(t >> 24)};
    (void)zip_file_extra_field_set(za, index, kExtendedTimestamp, ZIP_EXTRA_FIELD_NEW, field,
                                   sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

// Hands a spooled, already compressed file to libzip, which then copies it unchanged.
struct SpoolSource {
    const ZipSpool* spool = nullptr;
    ZipSpool::Piece piece;
    time_t modified = 0;
    qint64 position = 0;
    zip_error_t error{};
};

zip_int64_t statSpool(SpoolSource* s, void* data, zip_uint64_t length)
{
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &s->error);
    if (!st)
        return -1;
    zip_stat_init(st);
    st->valid
        = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME;
    st->size = static_cast<zip_uint64_t>(s->piece.size);
    st->comp_size = static_cast<zip_uint64_t>(s->piece.compressedSize);
    st->comp_method = s->piece.deflated ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
    st->crc = s->piece.crc;
    st->mtime = s->modified;
    return sizeof(zip_stat_t);
}

zip_int64_t readSpool(SpoolSource* s, void* data, zip_uint64_t length)
{
    const qint64 left = s->piece.compressedSize - s->position;
    const qint64 wanted
        = qMin<qint64>(left, static_cast<qint64>(qMin<zip_uint64_t>(length, 1u << 30)));
    if (wanted <= 0)
        return 0;
    const qint64 got
        = s->spool->read(s->piece.offset + s->position, static_cast<char*>(data), wanted);
    if (got < 0) {
        zip_error_set(&s->error, ZIP_ER_READ, errno);
        return -1;
    }
    s->position += got;
    return got;
}

zip_int64_t spoolCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t cmd)
{
    auto* s = static_cast<SpoolSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        s->position = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return readSpool(s, data, length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT:
        return statSpool(s, data, length);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&s->error);
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Refuses a file, before any of it is written, when what it may take exceeds the room; tells
// whether the file had grown beyond what was read of it by the time its end was read.
class RoomFeed final : public DeflateBlocks::Feed {
public:
    RoomFeed(DeflateBlocks::Feed& feed, qint64 room) : m_feed(feed), m_room(room) { }
    [[nodiscard]] bool open(DeflateBlocks::FileFacts* facts, DeflateBlocks::ReadProblem* problem,
                            QString* error) override
    {
        if (!m_feed.open(facts, problem, error))
            return false;
        m_noRoom = m_room >= 0 && ZipFiles::mostTaken(facts->size, facts->level) > m_room;
        if (!m_noRoom)
            return true;
        *problem = DeflateBlocks::ReadProblem::Other;
        return fail(error,
                    QStringLiteral("%1 bytes do not fit the %2 bytes left in the archive")
                        .arg(facts->size)
                        .arg(m_room));
    }
    [[nodiscard]] bool next(DeflateBlocks::Block* block, DeflateBlocks::ReadProblem* problem,
                            QString* error) override
    {
        if (!m_feed.next(block, problem, error))
            return false;
        m_read += block->length;
        m_grew = block->last && block->sizeAtEnd > m_read;
        return true;
    }
    [[nodiscard]] bool noRoom() const { return m_noRoom; }
    [[nodiscard]] bool grew() const { return m_grew; }

private:
    DeflateBlocks::Feed& m_feed;
    qint64 m_room;
    qint64 m_read = 0;
    bool m_noRoom = false;
    bool m_grew = false;
};

} // namespace

// The archive's live entries in order; libzip keeps deleted ones counted until the close.
struct LiveEntry {
    QByteArray name; // UTF-8
    qint64 modified = 0; // seconds since the epoch
    qint64 size = 0;
    qint64 compressedSize = 0;
    zip_uint64_t index = 0;
    bool onDisk = false;
    bool replaced = false; // left the live list; its slot goes at the next compaction
};

struct ZipArchive::Private {
    zip_t* za = nullptr;
    QString path;
    QString comment;
    bool changed = false;
    QString spoolFolder;
    std::unique_ptr<ZipSpool> spool;     // an archive opened to be added to
    std::unique_ptr<ZipWriter> writer;   // a new archive
    DeflateBlocks::Compressor compressor; // for files read on this thread
    // Of an archive opened to be added to (a new one's entries are the writer's). Grows
    // without copying what it holds. A replaced entry only is marked, so that replacing costs
    // the same in a part of ten entries and of a hundred thousand; the marked slots are
    // dropped at once when an entry is asked for by its place.
    std::deque<LiveEntry> entries;
    qsizetype replacedCount = 0;
    QHash<QByteArray, qsizetype> positions; // slot by UTF-8 name, sharing the entries' bytes
    ZipAddProblem addProblem = ZipAddProblem::None;
    bool lastGrew = false;
    // Lives across parts: the files read ahead are added to whichever part comes next.
    std::unique_ptr<ZipReadAhead> readAhead;

    [[nodiscard]] bool isOpen() const { return za || writer; }
    void readEntries();
    void reindex();
    [[nodiscard]] qsizetype liveCount() const
    {
        return writer ? qsizetype(writer->count()) : qsizetype(entries.size()) - replacedCount;
    }
    [[nodiscard]] bool contains(const QByteArray& name) const
    {
        return writer ? writer->contains(name) : positions.contains(name);
    }
    // The slot of the live entry at the place; the newest is always the last slot.
    [[nodiscard]] qsizetype slotOf(qsizetype place);
    void placeNew(qsizetype oldPos, const LiveEntry& entry);
    [[nodiscard]] bool addWritten(const QByteArray& name, DeflateBlocks::Feed& feed, QString* error);
    [[nodiscard]] bool addFrom(const QByteArray& name, const QString& full,
                               DeflateBlocks::Feed& feed, QString* error);
    void reset();
    [[nodiscard]] zip_source_t* makeSource(const ZipSpool::Piece& piece, time_t modified);
    [[nodiscard]] bool putSource(const QByteArray& name, zip_source_t* src, qsizetype oldPos,
                                 zip_int64_t* index, QString* error);
    [[nodiscard]] bool addSpooled(const QByteArray& name, const ZipSpool::Piece& piece,
                                  QString* error);
    [[nodiscard]] bool extract(qsizetype pos, const QString& folder, QString* error) const;
    [[nodiscard]] bool copyOut(zip_file_t* zf, ExtractTarget::FileWriter& out, const QString& name,
                               QString* error) const;
    [[nodiscard]] mode_t storedAttributes(zip_uint64_t index) const;
    [[nodiscard]] mode_t storedMode(zip_uint64_t index) const;
    [[nodiscard]] bool writeFile(const LiveEntry& e, const QString& folder, const QString& relative,
                                 mode_t mode, QString* error) const;
    [[nodiscard]] bool readLinkTarget(const LiveEntry& e, QByteArray* target, QString* error) const;
    [[nodiscard]] bool extractLink(const LiveEntry& e, const QString& folder,
                                   const QString& relative, QString* error) const;
};

void ZipArchive::Private::readEntries()
{
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0)
            continue;
        LiveEntry e;
        e.name = QByteArray(st.name);
        e.modified = entryTime(za, static_cast<zip_uint64_t>(i), st.mtime);
        e.size = static_cast<qint64>(st.size);
        e.compressedSize = static_cast<qint64>(st.comp_size);
        e.index = static_cast<zip_uint64_t>(i);
        e.onDisk = true;
        entries.push_back(e);
    }
    reindex();
    zip_int32_t length = 0;
    const char* text = zip_get_archive_comment(za, &length, 0);
    comment = text ? QString::fromUtf8(text, length) : QString();
}

void ZipArchive::Private::reindex()
{
    positions.clear();
    positions.reserve(static_cast<qsizetype>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        positions.insert(entries[i].name, static_cast<qsizetype>(i));
}

qsizetype ZipArchive::Private::slotOf(qsizetype place)
{
    if (replacedCount == 0)
        return place;
    if (place == liveCount() - 1)
        return qsizetype(entries.size()) - 1;
    std::erase_if(entries, [](const LiveEntry& e) { return e.replaced; });
    replacedCount = 0;
    reindex();
    return place;
}

void ZipArchive::Private::reset()
{
    za = nullptr;
    path.clear();
    comment.clear();
    changed = false;
    spool.reset();
    writer.reset();
    std::deque<LiveEntry>().swap(entries); // a part's entries are not kept for the next
    replacedCount = 0;
    positions = {};
}

zip_source_t* ZipArchive::Private::makeSource(const ZipSpool::Piece& piece, time_t modified)
{
    auto* state = new SpoolSource;
    state->spool = spool.get();
    state->piece = piece;
    state->modified = modified;
    zip_error_init(&state->error);
    zip_source_t* src = zip_source_function(za, spoolCallback, state);
    if (!src) {
        zip_error_fini(&state->error);
        delete state;
    }
    return src;
}

bool ZipArchive::Private::putSource(const QByteArray& name, zip_source_t* src, qsizetype oldPos,
                                    zip_int64_t* index, QString* error)
{
    // Deleting first, then adding, keeps the written order the same as the live list.
    const bool replacing = oldPos >= 0;
    const zip_uint64_t oldIndex = replacing ? entries[static_cast<size_t>(oldPos)].index : 0;
    if (replacing && zip_delete(za, oldIndex) != 0)
        return fail(error, archiveError(za));
    *index = zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8);
    if (*index >= 0)
        return true;
    const QString message = archiveError(za);
    if (replacing)
        (void)zip_unchange(za, oldIndex);
    return fail(error, message);
}

bool ZipArchive::Private::addSpooled(const QByteArray& name, const ZipSpool::Piece& piece,
                                     QString* error)
{
    const auto modified = static_cast<time_t>(piece.modified);
    zip_source_t* src = makeSource(piece, modified);
    if (!src)
        return fail(error, archiveError(za));
    const qsizetype oldPos = positions.value(name, -1);
    zip_int64_t added = -1;
    if (!putSource(name, src, oldPos, &added, error)) {
        zip_source_free(src);
        return false;
    }
    const auto index = static_cast<zip_uint64_t>(added);
    // A stored piece must stay stored: by default libzip would deflate it at the close.
    if (!piece.deflated)
        (void)zip_set_file_compression(za, index, ZIP_CM_STORE, 0);
    (void)zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX,
                                           (S_IFREG | piece.permissions) << 16);
    setExtendedTimestamp(za, index, modified);
    placeNew(oldPos, {name, modified, piece.size, piece.compressedSize, index, false});
    return true;
}

// The entry goes last; one it replaces leaves the live list.
void ZipArchive::Private::placeNew(qsizetype oldPos, const LiveEntry& entry)
{
    if (oldPos >= 0) {
        entries[size_t(oldPos)].replaced = true;
        ++replacedCount;
    }
    entries.push_back(entry);
    positions.insert(entry.name, static_cast<qsizetype>(entries.size()) - 1);
    changed = true;
}

bool ZipArchive::Private::addWritten(const QByteArray& name, DeflateBlocks::Feed& feed, QString* error)
{
    DeflateBlocks::ReadProblem problem = DeflateBlocks::ReadProblem::None;
    const ZipWriter::Failure failure = writer->add(name, feed, &problem, error);
    if (failure != ZipWriter::Failure::None) {
        addProblem = failure == ZipWriter::Failure::Write ? ZipAddProblem::TempWrite : problemOf(problem);
        return false;
    }
    changed = true;
    return true;
}

bool ZipArchive::Private::copyOut(zip_file_t* zf, ExtractTarget::FileWriter& out,
                                  const QString& name, QString* error) const
{
    std::vector<char> buffer(kExtractChunk);
    for (;;) {
        const zip_int64_t got = zip_fread(zf, buffer.data(), buffer.size());
        if (got < 0)
            return fail(error,
                        QStringLiteral("cannot read the entry ") + name + QStringLiteral(": ")
                            + QString::fromLocal8Bit(zip_file_strerror(zf)));
        if (got == 0)
            return true;
        if (!out.write(buffer.data(), got, error))
            return false;
    }
}

namespace {

// What a new file of the user gets: the mode that stands for "no mode stored".
mode_t usualMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

// The Unix mode and type the entry was stored with; 0 when none was.
mode_t ZipArchive::Private::storedAttributes(zip_uint64_t index) const
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &system, &attributes) == 0
        && system == ZIP_OPSYS_UNIX)
        return static_cast<mode_t>(attributes >> 16);
    return 0;
}

mode_t ZipArchive::Private::storedMode(zip_uint64_t index) const
{
    const mode_t stored = storedAttributes(index);
    return stored != 0 ? ((stored & 0777) | 0600) : usualMode();
}

bool ZipArchive::Private::writeFile(const LiveEntry& e, const QString& folder,
                                    const QString& relative, mode_t mode, QString* error) const
{
    const QString name = QString::fromUtf8(e.name);
    ExtractTarget::FileWriter out;
    if (!out.open(folder, relative, error))
        return false;
    zip_file_t* zf = zip_fopen_index(za, e.index, 0);
    if (!zf)
        return fail(error,
                    QStringLiteral("cannot open entry ") + name + QStringLiteral(": ")
                        + archiveError(za));
    const bool ok = copyOut(zf, out, name, error);
    zip_fclose(zf);
    return ok && out.commit(mode, QDateTime::fromSecsSinceEpoch(e.modified), error);
}

// The target a link entry holds; the whole entry is read, so its checksum is tested.
bool ZipArchive::Private::readLinkTarget(const LiveEntry& e, QByteArray* target,
                                         QString* error) const
{
    const QString name = QString::fromUtf8(e.name);
    zip_file_t* zf = zip_fopen_index(za, e.index, 0);
    if (!zf)
        return fail(error,
                    QStringLiteral("cannot open entry ") + name + QStringLiteral(": ")
                        + archiveError(za));
    target->resize(static_cast<qsizetype>(e.size));
    zip_int64_t got = zip_fread(zf, target->data(), static_cast<zip_uint64_t>(e.size));
    char more = 0;
    const bool ok = got == e.size && zip_fread(zf, &more, 1) == 0;
    const QString problem = QString::fromLocal8Bit(zip_file_strerror(zf));
    zip_fclose(zf);
    return ok || fail(error, QStringLiteral("cannot read the entry ") + name + QStringLiteral(": ")
                                 + problem);
}

// A link is made where it leads below the folder; else its target is written as a plain file of
// the usual mode, never one writable by all as its stored mode would have it.
bool ZipArchive::Private::extractLink(const LiveEntry& e, const QString& folder,
                                      const QString& relative, QString* error) const
{
    QByteArray bytes;
    if (!readLinkTarget(e, &bytes, error))
        return false;
    const QString target = QFile::decodeName(bytes);
    if (ExtractTarget::linkStaysInside(relative, target))
        return ExtractTarget::makeLink(folder, relative, target, error);
    ExtractTarget::FileWriter out;
    return out.open(folder, relative, error) && out.write(bytes.constData(), bytes.size(), error)
        && out.commit(usualMode(), QDateTime::fromSecsSinceEpoch(e.modified), error);
}

bool ZipArchive::Private::extract(qsizetype pos, const QString& folder, QString* error) const
{
    const LiveEntry& e = entries[static_cast<size_t>(pos)];
    const QString name = QString::fromUtf8(e.name);
    const QString relative = ExtractTarget::relativePath(name);
    if (relative.isEmpty())
        return fail(error,
                    QStringLiteral("entry name refused, it leaves the target folder: ") + name);
    if (!e.onDisk)
        return fail(error, QStringLiteral("entry not yet written to the archive: ") + name);
    if (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')))
        return ExtractTarget::makeFolders(folder, relative, error);
    // A link's target is a short text; a longer entry is no link target, whatever it claims.
    if (S_ISLNK(storedAttributes(e.index)) && e.size < 4096)
        return extractLink(e, folder, relative, error);
    return writeFile(e, folder, relative, storedMode(e.index), error);
}

bool ZipEntry::Extract(const QString& targetFolder, QString* error) const
{
    if (!m_archive || !m_archive->d->isOpen())
        return fail(error, QStringLiteral("no archive is open"));
    ZipArchive::Private& d = *m_archive->d;
    if (d.writer)
        return fail(error, QStringLiteral("entry not yet written to the archive: ") + m_name);
    const qsizetype slot = m_index >= 0 && m_index < d.liveCount() ? d.slotOf(m_index) : -1;
    if (slot < 0 || QString::fromUtf8(d.entries[static_cast<size_t>(slot)].name) != m_name)
        return fail(error,
                    QStringLiteral("the archive changed since the entry was taken: ") + m_name);
    return d.extract(slot, targetFolder, error);
}

int ZipFiles::Count() const { return static_cast<int>(m_archive->d->liveCount()); }

ZipEntry ZipFiles::Item(int index) const
{
    ZipArchive::Private& d = *m_archive->d;
    ZipEntry entry;
    if (index < 0 || index >= d.liveCount())
        return entry;
    LiveEntry e;
    if (!d.writer) {
        e = d.entries[static_cast<size_t>(d.slotOf(index))];
    } else if (ZipWriter::Facts f; d.writer->facts(size_t(index), &f)) {
        e = {f.name, f.modified, f.size, f.compressedSize, 0, false};
    } else {
        return entry;
    }
    entry.m_archive = m_archive;
    entry.m_index = index;
    entry.m_name = QString::fromUtf8(e.name);
    entry.m_modified = QDateTime::fromSecsSinceEpoch(e.modified);
    entry.m_size = e.size;
    entry.m_compressedSize = e.compressedSize;
    return entry;
}

ZipAddProblem ZipFiles::lastAddProblem() const { return m_archive->d->addProblem; }

bool ZipFiles::lastAddGrew() const { return m_archive->d->lastGrew; }

void ZipFiles::expect(const QStringList& paths, int level, bool more)
{
    ZipArchive::Private& d = *m_archive->d;
    if (!d.readAhead) {
        // Threads only once there is a file to read: a run that adds nothing starts none.
        if (paths.isEmpty())
            return;
        const int cores = ZipReadAhead::coresToUse();
        if (cores < 2)
            return;
        d.readAhead = std::make_unique<ZipReadAhead>(cores);
    }
    d.readAhead->expect(paths, level, more);
}

bool ZipFiles::AddFileByName(const QString& path, int level, bool keepPath, bool overwrite,
                             QString* error, qint64 room)
{
    ZipArchive::Private& d = *m_archive->d;
    d.addProblem = ZipAddProblem::Other;
    d.lastGrew = false;
    if (!d.isOpen())
        return fail(error, QStringLiteral("no archive is open"));
    const QString full = QDir::cleanPath(QDir::isAbsolutePath(path)
                                             ? path
                                             : QDir::currentPath() + QLatin1Char('/') + path);
    QByteArray name
        = (keepPath ? full.mid(1) : full.mid(full.lastIndexOf(QLatin1Char('/')) + 1)).toUtf8();
    name.squeeze(); // kept for every entry of the part
    if (!overwrite && d.contains(name)) {
        d.addProblem = ZipAddProblem::AlreadyInArchive;
        return fail(error, QStringLiteral("already in the archive: ") + QString::fromUtf8(name));
    }
    std::unique_ptr<DeflateBlocks::Feed> source
        = d.readAhead ? d.readAhead->take(path, level) : nullptr;
    if (!source)
        source = std::make_unique<DeflateBlocks::InlineFeed>(d.compressor, full, level);
    RoomFeed feed(*source, room);
    const bool added = d.addFrom(name, full, feed, error);
    if (feed.noRoom())
        d.addProblem = ZipAddProblem::NoRoom;
    d.lastGrew = added && feed.grew();
    return added;
}

qint64 ZipFiles::mostTaken(qint64 size, int level)
{
    if (level <= 0)
        return size;
    // zlib's bound for one deflate stream, and a flush marker where each block ends.
    return size + (size >> 12) + (size >> 14) + (size >> 25) + 16 * (size / DeflateBlocks::kBlock + 1);
}

bool ZipArchive::Private::addFrom(const QByteArray& name, const QString& full,
                                  DeflateBlocks::Feed& feed, QString* error)
{
    if (writer) {
        if (!addWritten(name, feed, error))
            return false;
        addProblem = ZipAddProblem::None;
        return true;
    }
    if (!spool)
        spool = std::make_unique<ZipSpool>(spoolFolder.isEmpty() ? Paths::tempFolder()
                                                                 : spoolFolder);
    ZipSpool::Piece piece;
    QString message;
    if (!spool->add(full, feed, &piece, &message)) {
        addProblem = spool->spoolWriteFailed() ? ZipAddProblem::TempWrite
                                               : problemOf(spool->readProblem());
        return fail(error, message);
    }
    if (!addSpooled(name, piece, error))
        return false;
    addProblem = ZipAddProblem::None;
    return true;
}

ZipArchive::ZipArchive() : d(std::make_unique<Private>()), m_files(this) { }

ZipArchive::~ZipArchive() { (void)Close(); }

bool ZipArchive::Create(const QString& path, QString* error) { return Create(path, QString(), error); }

bool ZipArchive::Create(const QString& path, const QString& comment, QString* error)
{
    if (!Close(error))
        return false;
    const QByteArray text = comment.toUtf8().left(0xffff);
    if (!writeEmptyArchive(path, text, error))
        return false;
    d->writer = std::make_unique<ZipWriter>(path);
    d->path = path;
    d->comment = QString::fromUtf8(text);
    return true;
}

// An archive added to must be whole: a damaged one would be written again with its damage.
bool ZipArchive::Open(const QString& path, QString* error)
{
    return openWith(path, ZIP_CHECKCONS, error);
}

// Reading takes what the directory lists, also two entries of one name; a damaged entry fails
// when it is read, by its checksum, and leaves the others readable.
bool ZipArchive::OpenReadOnly(const QString& path, QString* error)
{
    return openWith(path, ZIP_RDONLY, error);
}

bool ZipArchive::openWith(const QString& path, int flags, QString* error)
{
    if (!Close(error))
        return false;
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(error, QStringLiteral("no archive file: ") + path);
    // libzip takes an empty file for an empty archive; here it is a damaged one.
    if (info.size() == 0)
        return fail(error, QStringLiteral("not a ZIP archive (empty file): ") + path);
    int code = 0;
    d->za = zip_open(QFile::encodeName(path).constData(), flags, &code);
    if (!d->za)
        return fail(
            error, QStringLiteral("cannot open ") + path + QStringLiteral(": ") + libzipText(code));
    d->path = path;
    d->readEntries();
    return true;
}

bool ZipArchive::setComment(const QString& comment, QString* error)
{
    if (!d->isOpen())
        return fail(error, QStringLiteral("no archive is open"));
    const QByteArray text = comment.toUtf8().left(0xffff);
    if (d->za
        && zip_set_archive_comment(d->za, text.constData(), static_cast<zip_uint16_t>(text.size()))
            != 0)
        return fail(error, archiveError(d->za));
    d->comment = QString::fromUtf8(text);
    d->changed = true;
    // The length of a new archive is read right after its comment is set.
    return d->liveCount() > 0 || writeEmptyArchive(d->path, text, error);
}

QString ZipArchive::Comment() const { return d->comment; }

bool ZipArchive::Close(QString* error)
{
    if (!d->isOpen())
        return true;
    bool ok = true;
    if (d->writer && d->liveCount() > 0) {
        QString message;
        ok = d->writer->finish(d->comment.toUtf8().left(0xffff), &message) || fail(error, message);
    } else if (d->liveCount() == 0) {
        if (d->za)
            zip_discard(d->za);
        if (d->changed)
            ok = writeEmptyArchive(d->path, d->comment.toUtf8().left(0xffff), error);
    } else if (zip_close(d->za) != 0) {
        ok = fail(error,
                  QStringLiteral("cannot write ") + d->path + QStringLiteral(": ")
                      + archiveError(d->za));
        zip_discard(d->za);
    }
    d->reset();
    return ok;
}

bool ZipArchive::isOpen() const { return d->isOpen(); }

QString ZipArchive::path() const { return d->path; }

void ZipArchive::setSpoolFolder(const QString& folder) { d->spoolFolder = folder; }
