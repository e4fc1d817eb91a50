#include "ZipWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <zlib.h>

#include <QFile>
#include <QHashFunctions>

#include "ZipFormat.h"

using namespace ZipFormat;

namespace {

constexpr quint16 kExtendedTimestamp = 0x5455;
constexpr quint16 kUtf8Flag = 0x0800;
constexpr quint16 kMadeByUnix = 3 << 8;
constexpr quint16 kVersion = 20;
constexpr quint16 kVersion64 = 45;
constexpr qint64 kFlushAt = 1 << 20;
// Pieces up to this size are gathered; room is taken on the disk a step at a time.
constexpr qint64 kSmallPiece = 64 << 10;
constexpr qint64 kReserveStep = 8 << 20;
constexpr qint64 kCentralFixed = 46;

void put16(QByteArray& b, quint64 v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

void put32(QByteArray& b, quint64 v)
{
    put16(b, v & 0xffff);
    put16(b, (v >> 16) & 0xffff);
}

void put64(QByteArray& b, quint64 v)
{
    put32(b, v & 0xffffffffULL);
    put32(b, v >> 32);
}

quint64 le(const char* p, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | quint8(p[i]);
    return v;
}

// The DOS time of the file in local time, in steps of two seconds, as every ZIP tool reads it.
quint32 dosDateTime(qint64 seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm local { };
    if (!localtime_r(&t, &local) || local.tm_year < 80)
        return (1 << 21) | (1 << 16); // 1980-01-01 00:00
    const quint32 date = quint32(local.tm_year - 80) << 9 | quint32(local.tm_mon + 1) << 5
        | quint32(local.tm_mday);
    const quint32 time = quint32(local.tm_hour) << 11 | quint32(local.tm_min) << 5
        | quint32(local.tm_sec / 2);
    return date << 16 | time;
}

bool isAscii(const QByteArray& name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
}

void putTimestamp(QByteArray& b, qint64 modified)
{
    put16(b, kExtendedTimestamp);
    put16(b, 5);
    b.append(char(1));
    put32(b, quint32(modified));
}

// The fields both kinds of header share, from the name's flags to its length.
void putEntryFields(QByteArray& b, const QByteArray& name, bool deflated, qint64 modified,
                    quint32 crc, quint64 compressedField, quint64 sizeField)
{
    put16(b, isAscii(name) ? 0 : kUtf8Flag);
    put16(b, deflated ? 8 : 0);
    put32(b, dosDateTime(modified));
    put32(b, crc);
    put32(b, compressedField);
    put32(b, sizeField);
    put16(b, quint64(name.size()));
}

QString systemText() { return QString::fromLocal8Bit(std::strerror(errno)); }

quint32 hashOf(QByteArrayView name) { return quint32(qHash(name, size_t(0x9e3779b9))); }

} // namespace

// ---- a working file written at its end ------------------------------------------------

ZipWriter::Gathered::~Gathered()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ZipWriter::Gathered::open(const QByteArray& pattern, bool unlinked, QString* error)
{
    QByteArray name = pattern;
    m_label = QFile::decodeName(pattern.chopped(7));
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        *error = QStringLiteral("cannot write ") + m_label + QStringLiteral(": ") + systemText();
        return false;
    }
    m_name = QFile::decodeName(name);
    if (unlinked)
        ::unlink(name.constData()); // nothing is left behind, whatever ends the run
    return true;
}

bool ZipWriter::Gathered::writeAt(qint64 offset, const char* data, qint64 length, QString* error)
{
    while (length > 0) {
        const ssize_t done = ::pwrite(m_fd, data, size_t(length), offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            *error = QStringLiteral("cannot write ") + m_label + QStringLiteral(": ") + systemText();
            return false;
        }
        data += done;
        length -= done;
        offset += done;
    }
    return true;
}

// Both pieces in one call: a small file costs one write.
bool ZipWriter::Gathered::writeBoth(const char* a, qint64 aLength, const char* b, qint64 bLength,
                                    QString* error)
{
    iovec parts[2] = {{const_cast<char*>(a), size_t(aLength)}, {const_cast<char*>(b), size_t(bLength)}};
    ssize_t done = -1;
    do
        done = ::pwritev(m_fd, parts, 2, m_end);
    while (done < 0 && errno == EINTR);
    if (done < 0)
        done = 0;
    // What is left, as one piece or two.
    const qint64 aDone = std::min<qint64>(done, aLength);
    const qint64 bDone = done - aDone;
    return writeAt(m_end + aDone, a + aDone, aLength - aDone, error)
        && writeAt(m_end + aLength + bDone, b + bDone, bLength - bDone, error);
}

// Room on the disk up to end, taken ahead; false where the disk or its file system gives none.
bool ZipWriter::Gathered::reserve(qint64 end)
{
    if (end <= m_reserved)
        return true;
    if (m_noReserve)
        return false;
    const qint64 from = std::max(m_reserved, m_end);
    const qint64 length = std::max(end, m_end + kReserveStep) - from;
    if (::fallocate(m_fd, 0, from, length) == 0) {
        m_reserved = from + length;
        return true;
    }
    m_noReserve = errno == EOPNOTSUPP || errno == ENOSYS;
    return false;
}

bool ZipWriter::Gathered::put(const char* a, qint64 aLength, const char* b, qint64 bLength,
                              QString* error)
{
    const qint64 total = aLength + bLength;
    if (total > kSmallPiece || !reserve(m_end + total)) {
        if (!flush(error) || !writeBoth(a, aLength, b, bLength, error))
            return false;
        m_end += total;
        return true;
    }
    if (m_pending.empty())
        m_pendingAt = m_end;
    // Taken once at its full size: growing it would copy and fault in each size on the way.
    if (m_pending.capacity() == 0)
        m_pending.reserve(size_t(kFlushAt + kSmallPiece));
    m_pending.insert(m_pending.end(), a, a + aLength);
    m_pending.insert(m_pending.end(), b, b + bLength);
    m_end += total;
    return qint64(m_pending.size()) < kFlushAt || flush(error);
}

// Gathered bytes lie in room already taken, so only a failing disk loses them; the file is
// then of no use.
bool ZipWriter::Gathered::flush(QString* error)
{
    if (!m_pending.empty()) {
        m_broken = !writeAt(m_pendingAt, m_pending.data(), qint64(m_pending.size()), error) || m_broken;
        m_pending.clear();
        return !m_broken;
    }
    if (m_broken)
        *error = QStringLiteral("cannot write ") + m_label + QStringLiteral(": bytes written before were lost");
    return !m_broken;
}

void ZipWriter::Gathered::cutBack(qint64 offset)
{
    if (!m_pending.empty() && offset >= m_pendingAt) {
        m_pending.resize(size_t(offset - m_pendingAt));
    } else {
        m_pending.clear();
        (void)::ftruncate(m_fd, offset);
        m_reserved = offset;
    }
    m_end = offset;
}

bool ZipWriter::Gathered::read(qint64 offset, char* data, qint64 length) const
{
    const qint64 onDisk = m_pending.empty() ? m_end : m_pendingAt;
    const qint64 fromDisk = std::clamp<qint64>(onDisk - offset, 0, length);
    if (fromDisk > 0 && ::pread(m_fd, data, size_t(fromDisk), offset) != fromDisk)
        return false;
    if (fromDisk == length)
        return true;
    if (offset + length > m_end)
        return false;
    const auto from = m_pending.begin() + (offset + fromDisk - m_pendingAt);
    std::copy(from, from + (length - fromDisk), data + fromDisk);
    return true;
}

// Its room for gathering is free once it is flushed, and serves as the buffer of the copy.
bool ZipWriter::Gathered::copyTo(Gathered& target, qint64 from, qint64 to, QString* error)
{
    if (!flush(error))
        return false;
    m_pending.reserve(size_t(kFlushAt + kSmallPiece));
    bool ok = true;
    for (qint64 at = from; ok && at < to;) {
        const qint64 length = std::min<qint64>(to - at, qint64(m_pending.capacity()));
        m_pending.resize(size_t(length));
        ok = ::pread(m_fd, m_pending.data(), size_t(length), at) == length;
        if (!ok)
            *error = QStringLiteral("cannot read the directory of ") + m_label + QStringLiteral(": ") + systemText();
        ok = ok && target.put(m_pending.data(), length, nullptr, 0, error);
        at += length;
    }
    m_pending.clear();
    return ok;
}

bool ZipWriter::Gathered::close(QString* error)
{
    if (!flush(error))
        return false;
    if (::ftruncate(m_fd, m_end) != 0 || ::close(m_fd) != 0) {
        m_fd = -1;
        *error = QStringLiteral("cannot write ") + m_label + QStringLiteral(": ") + systemText();
        return false;
    }
    m_fd = -1;
    return true;
}

// ---- the archive ----------------------------------------------------------------------

ZipWriter::ZipWriter(QString path) : m_path(std::move(path)) { }

ZipWriter::~ZipWriter()
{
    if (m_data.isOpen())
        ::unlink(QFile::encodeName(m_data.name()).constData());
}

bool ZipWriter::ensureOpen(QString* error)
{
    if (m_data.isOpen())
        return true;
    const QByteArray pattern = QFile::encodeName(m_path) + ".XXXXXX";
    if (!m_directory.open(pattern, true, error) || !m_data.open(pattern, false, error))
        return false;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    (void)::fchmod(m_data.fd(), 0666 & ~mask);
    return true;
}

namespace {

// The local header; crc and sizes are filled in once the data is written unless known.
QByteArray localHeader(const QByteArray& name, qint64 modified, bool deflated, bool zip64,
                       quint32 crc, qint64 size, qint64 compressedSize)
{
    QByteArray h;
    h.reserve(30 + name.size() + 29);
    put32(h, kLocalSignature);
    put16(h, zip64 ? kVersion64 : kVersion);
    putEntryFields(h, name, deflated, modified, crc, zip64 ? kMax32 : quint64(compressedSize),
                   zip64 ? kMax32 : quint64(size));
    put16(h, zip64 ? 9 + 20 : 9);
    h.append(name);
    putTimestamp(h, modified);
    if (zip64) {
        put16(h, kZip64Field);
        put16(h, 16);
        put64(h, quint64(size));
        put64(h, quint64(compressedSize));
    }
    return h;
}

// A file this large may need the ZIP64 sizes, and its header is written before they are known.
bool mayNeedZip64(qint64 size) { return size >= kMax32 - (size >> 8) - (1 << 20); }

} // namespace

void ZipWriter::takeBlock(Entry& entry) const
{
    entry.crc = quint32(crc32_combine(entry.crc, m_block.crc, m_block.length));
    entry.size += m_block.length;
    entry.compressedSize += qint64(m_block.out.size());
}

ZipWriter::Failure ZipWriter::copyBlocks(Entry& entry, DeflateBlocks::Feed& feed, qint64 dataStart,
                                         DeflateBlocks::ReadProblem* problem, QString* error)
{
    qint64 at = dataStart;
    for (;;) {
        if (!m_data.writeAt(at, m_block.out.data(), qint64(m_block.out.size()), error))
            return Failure::Write;
        at += qint64(m_block.out.size());
        takeBlock(entry);
        if (m_block.last)
            return Failure::None;
        if (!feed.next(&m_block, problem, error))
            return Failure::Read;
    }
}

// A file of several blocks goes straight to its place; its header is written once the data
// is, when its sizes are known.
ZipWriter::Failure ZipWriter::writeInBlocks(const QByteArray& name, Entry& entry,
                                            DeflateBlocks::Feed& feed,
                                            DeflateBlocks::ReadProblem* problem, QString* error)
{
    if (!m_data.flush(error))
        return Failure::Write;
    const qint64 dataStart = entry.offset
        + localHeader(name, entry.modified, entry.deflated, entry.zip64Local, 0, 0, 0).size();
    Failure failure = copyBlocks(entry, feed, dataStart, problem, error);
    if (failure == Failure::None && !entry.zip64Local
        && (entry.size > kMax32 || entry.compressedSize >= kMax32)) {
        *error = QStringLiteral("the entry outgrew what its header can hold: ") + QString::fromUtf8(name);
        failure = Failure::Write;
    }
    const QByteArray header = localHeader(name, entry.modified, entry.deflated, entry.zip64Local,
                                          entry.crc, entry.size, entry.compressedSize);
    if (failure == Failure::None && !m_data.writeAt(entry.offset, header.constData(), header.size(), error))
        failure = Failure::Write;
    if (failure == Failure::None)
        m_data.grownTo(dataStart + entry.compressedSize);
    return failure;
}

namespace {

// The entry's record in the central directory.
QByteArray centralRecord(const QByteArray& name, qint64 offset, qint64 size, qint64 compressedSize,
                         qint64 modified, quint32 crc, quint32 permissions, bool deflated,
                         bool zip64Local)
{
    const bool bigSize = size >= kMax32 || zip64Local;
    const bool bigCompressed = compressedSize >= kMax32 || zip64Local;
    const bool bigOffset = offset >= kMax32;
    const int zip64Length = 8 * (int(bigSize) + int(bigCompressed) + int(bigOffset));
    QByteArray out;
    out.reserve(kCentralFixed + name.size() + 9 + 28);
    put32(out, kCentralSignature);
    put16(out, kMadeByUnix | kVersion64);
    put16(out, zip64Length > 0 ? kVersion64 : kVersion);
    putEntryFields(out, name, deflated, modified, crc, bigCompressed ? kMax32 : quint64(compressedSize),
                   bigSize ? kMax32 : quint64(size));
    put16(out, quint64(9 + (zip64Length > 0 ? 4 + zip64Length : 0)));
    put16(out, 0); // comment
    put16(out, 0); // disk
    put16(out, 0); // internal attributes
    put32(out, quint64(S_IFREG | permissions) << 16);
    put32(out, bigOffset ? kMax32 : quint64(offset));
    out.append(name);
    putTimestamp(out, modified);
    if (zip64Length > 0) {
        put16(out, kZip64Field);
        put16(out, quint64(zip64Length));
        if (bigSize)
            put64(out, quint64(size));
        if (bigCompressed)
            put64(out, quint64(compressedSize));
        if (bigOffset)
            put64(out, quint64(offset));
    }
    return out;
}

} // namespace

ZipWriter::Failure ZipWriter::add(const QByteArray& name, DeflateBlocks::Feed& feed,
                                  DeflateBlocks::ReadProblem* problem, QString* error)
{
    if (!ensureOpen(error))
        return Failure::Write;
    DeflateBlocks::FileFacts facts;
    if (!feed.open(&facts, problem, error) || !feed.next(&m_block, problem, error))
        return Failure::Read;
    Entry entry;
    entry.offset = m_data.end();
    entry.modified = facts.modified;
    entry.permissions = facts.permissions;
    entry.deflated = facts.level > 0;
    entry.zip64Local = mayNeedZip64(facts.size);
    Failure failure = Failure::None;
    if (m_block.last) {
        takeBlock(entry);
        const QByteArray header = localHeader(name, entry.modified, entry.deflated, entry.zip64Local,
                                              entry.crc, entry.size, entry.compressedSize);
        if (!m_data.put(header.constData(), header.size(), m_block.out.data(),
                        qint64(m_block.out.size()), error))
            failure = Failure::Write;
    } else {
        failure = writeInBlocks(name, entry, feed, problem, error);
    }
    const qint64 record = m_directory.end();
    if (failure == Failure::None) {
        const QByteArray central
            = centralRecord(name, entry.offset, entry.size, entry.compressedSize, entry.modified,
                            entry.crc, entry.permissions, entry.deflated, entry.zip64Local);
        if (!m_directory.put(central.constData(), central.size(), nullptr, 0, error))
            failure = Failure::Write;
    }
    if (failure != Failure::None) {
        // The next file takes the broken one's place.
        m_directory.cutBack(record);
        m_data.cutBack(entry.offset);
        return failure;
    }
    remember(name, entry, record);
    return Failure::None;
}

// Open addressing by the name's hash; a slot found holds the entry of that very name, or none.
size_t ZipWriter::slotOf(const QByteArray& name, quint32 hash) const
{
    const size_t mask = m_slots.size() - 1;
    Facts facts;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const quint32 held = m_slots[slot];
        if (held == 0)
            return slot;
        const size_t index = held - 1;
        if (m_hashes[index] == hash && readFacts(index, &facts) && facts.name == name)
            return slot;
    }
}

void ZipWriter::growTable()
{
    std::vector<quint32> table(std::max<size_t>(1024, m_slots.size() * 2), 0);
    const size_t mask = table.size() - 1;
    auto dropped = m_dropped.begin();
    for (size_t index = 0; index < m_hashes.size(); ++index) {
        if (dropped != m_dropped.end() && *dropped == index) {
            ++dropped;
            continue;
        }
        size_t slot = m_hashes[index] & mask;
        while (table[slot] != 0)
            slot = (slot + 1) & mask;
        table[slot] = quint32(index + 1);
    }
    m_slots.swap(table);
}

void ZipWriter::remember(const QByteArray& name, const Entry& entry, qint64 record)
{
    const quint32 hash = hashOf(name);
    if (m_slots.empty())
        growTable();
    const size_t slot = slotOf(name, hash);
    const size_t index = m_records.size();
    m_records.push_back(record);
    m_hashes.push_back(hash);
    m_last = {name, entry.size, entry.compressedSize, entry.modified};
    if (m_slots[slot] != 0) { // replaced
        m_dropped.push_back(m_slots[slot] - 1);
        std::sort(m_dropped.begin(), m_dropped.end());
    }
    m_slots[slot] = quint32(index + 1);
    if (2 * count() > m_slots.size())
        growTable();
}

bool ZipWriter::contains(const QByteArray& name) const
{
    return !m_slots.empty() && m_slots[slotOf(name, hashOf(name))] != 0;
}

// The index of the entry at the place among those not replaced.
size_t ZipWriter::indexAt(size_t place) const
{
    size_t index = place;
    for (const size_t dropped : m_dropped) {
        if (dropped > index)
            break;
        ++index;
    }
    return index;
}

bool ZipWriter::readFacts(size_t index, Facts* facts) const
{
    if (index + 1 == m_records.size()) {
        *facts = m_last;
        return true;
    }
    char fixed[kCentralFixed];
    const qint64 at = m_records[index];
    if (!m_directory.read(at, fixed, kCentralFixed))
        return false;
    const qint64 nameLength = qint64(le(fixed + 28, 2));
    const qint64 extraLength = qint64(le(fixed + 30, 2));
    QByteArray rest(nameLength + extraLength, Qt::Uninitialized);
    if (!m_directory.read(at + kCentralFixed, rest.data(), rest.size()))
        return false;
    facts->name = rest.left(nameLength);
    facts->size = qint64(le(fixed + 24, 4));
    facts->compressedSize = qint64(le(fixed + 20, 4));
    // The fields written here: the time stamp first, then the ZIP64 sizes where needed.
    const char* extra = rest.constData() + nameLength;
    facts->modified = qint32(le(extra + 5, 4));
    if (extraLength > 9) {
        const char* big = extra + 13;
        if (facts->size == kMax32) {
            facts->size = qint64(le(big, 8));
            big += 8;
        }
        if (facts->compressedSize == kMax32)
            facts->compressedSize = qint64(le(big, 8));
    }
    return true;
}

bool ZipWriter::facts(size_t place, Facts* facts) const
{
    return place < count() && readFacts(indexAt(place), facts);
}

// The records of the entries not replaced go after the data, as they were written.
bool ZipWriter::copyDirectory(qint64* records, QString* error)
{
    qint64 from = 0;
    for (const size_t dropped : m_dropped) {
        if (!m_directory.copyTo(m_data, from, m_records[dropped], error))
            return false;
        from = dropped + 1 < m_records.size() ? m_records[dropped + 1] : m_directory.end();
    }
    *records = qint64(count());
    return m_directory.copyTo(m_data, from, m_directory.end(), error);
}

bool ZipWriter::finish(const QByteArray& comment, QString* error)
{
    if (!ensureOpen(error) || !m_data.flush(error))
        return false;
    const qint64 directoryStart = m_data.end();
    qint64 records = 0;
    if (!copyDirectory(&records, error))
        return false;
    const qint64 directorySize = m_data.end() - directoryStart;
    const qint64 end64 = m_data.end();
    const bool zip64 = records > kMax16 - 1 || directoryStart >= kMax32 || directorySize >= kMax32;
    QByteArray out;
    if (zip64) {
        put32(out, kEnd64Signature);
        put64(out, 44);
        put16(out, kMadeByUnix | kVersion64);
        put16(out, kVersion64);
        put32(out, 0);
        put32(out, 0);
        put64(out, quint64(records));
        put64(out, quint64(records));
        put64(out, quint64(directorySize));
        put64(out, quint64(directoryStart));
        put32(out, kLocator64Signature);
        put32(out, 0);
        put64(out, quint64(end64));
        put32(out, 1);
    }
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint64(zip64 ? kMax16 : records));
    put16(out, quint64(zip64 ? kMax16 : records));
    put32(out, quint64(zip64 ? kMax32 : directorySize));
    put32(out, quint64(zip64 ? kMax32 : directoryStart));
    put16(out, quint64(comment.size()));
    out.append(comment);
    const QString working = m_data.name();
    if (!m_data.put(out.constData(), out.size(), nullptr, 0, error) || !m_data.close(error)) {
        ::unlink(QFile::encodeName(working).constData());
        return false;
    }
    if (::rename(QFile::encodeName(working).constData(), QFile::encodeName(m_path).constData()) != 0) {
        *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": ") + systemText();
        ::unlink(QFile::encodeName(working).constData());
        return false;
    }
    return true;
}
