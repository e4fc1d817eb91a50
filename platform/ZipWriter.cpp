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

#include "ZipFormat.h"

using namespace ZipFormat;

namespace {

constexpr quint16 kExtendedTimestamp = 0x5455;
constexpr quint16 kUtf8Flag = 0x0800;
constexpr quint16 kMadeByUnix = 3 << 8;
constexpr quint16 kVersion = 20;
constexpr quint16 kVersion64 = 45;
constexpr qint64 kFlushAt = 1 << 20;
// Entries up to this size are gathered; room is taken on the disk a step at a time.
constexpr qint64 kSmallEntry = 64 << 10;
constexpr qint64 kReserveStep = 8 << 20;

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

QString systemText() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

ZipWriter::ZipWriter(QString path) : m_path(std::move(path)) { }

ZipWriter::~ZipWriter()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(QFile::encodeName(m_working).constData());
}

bool ZipWriter::ensureOpen(QString* error)
{
    if (m_fd >= 0)
        return true;
    QByteArray name = QFile::encodeName(m_path) + ".XXXXXX";
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": ") + systemText();
        return false;
    }
    m_working = QFile::decodeName(name);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    (void)::fchmod(m_fd, 0666 & ~mask);
    return true;
}

bool ZipWriter::writeAt(qint64 offset, const char* data, qint64 length, QString* error)
{
    while (length > 0) {
        const ssize_t done = ::pwrite(m_fd, data, size_t(length), offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": ") + systemText();
            return false;
        }
        data += done;
        length -= done;
        offset += done;
    }
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
    put16(h, isAscii(name) ? 0 : kUtf8Flag);
    put16(h, deflated ? 8 : 0);
    put32(h, dosDateTime(modified));
    put32(h, crc);
    put32(h, zip64 ? kMax32 : quint64(compressedSize));
    put32(h, zip64 ? kMax32 : quint64(size));
    put16(h, quint64(name.size()));
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

// The header and the data in one call: a small file costs one write.
bool ZipWriter::writeWithHeader(qint64 offset, const QByteArray& header, QString* error)
{
    iovec parts[2] = {{const_cast<char*>(header.constData()), size_t(header.size())},
                      {m_block.out.data(), m_block.out.size()}};
    ssize_t done = -1;
    do
        done = ::pwritev(m_fd, parts, 2, offset);
    while (done < 0 && errno == EINTR);
    if (done < 0)
        return writeAt(offset, header.constData(), header.size(), error);
    const qint64 total = header.size() + qint64(m_block.out.size());
    if (done == total)
        return true;
    // What is left, as one piece or two.
    if (done < header.size())
        return writeAt(offset + done, header.constData() + done, header.size() - done, error)
            && writeAt(offset + header.size(), m_block.out.data(), qint64(m_block.out.size()), error);
    const qint64 skip = done - header.size();
    return writeAt(offset + done, m_block.out.data() + skip, qint64(m_block.out.size()) - skip, error);
}

// Room on the disk up to end, taken ahead; false where the disk or its file system gives none.
bool ZipWriter::reserve(qint64 end)
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

// An entry of one block: gathered with those before it while room for them is taken, else
// written at once, as a large one is.
bool ZipWriter::writeSmall(const QByteArray& header, QString* error)
{
    const qint64 total = header.size() + qint64(m_block.out.size());
    if (total > kSmallEntry || !reserve(m_end + total))
        return flushPending(error) && writeWithHeader(m_end, header, error);
    if (m_pending.empty())
        m_pendingAt = m_end;
    m_pending.insert(m_pending.end(), header.begin(), header.end());
    m_pending.insert(m_pending.end(), m_block.out.begin(), m_block.out.end());
    return qint64(m_pending.size()) < kFlushAt || flushPending(error);
}

// Gathered bytes lie in room already taken, so only a failing disk loses them; the archive
// then cannot be finished.
bool ZipWriter::flushPending(QString* error)
{
    if (!m_pending.empty()) {
        m_broken = !writeAt(m_pendingAt, m_pending.data(), qint64(m_pending.size()), error) || m_broken;
        m_pending.clear();
        return !m_broken;
    }
    if (m_broken)
        *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": entries added before were lost");
    return !m_broken;
}

ZipWriter::Failure ZipWriter::copyBlocks(Entry& entry, DeflateBlocks::Feed& feed, qint64 dataStart,
                                         DeflateBlocks::ReadProblem* problem, QString* error)
{
    qint64 at = dataStart;
    for (;;) {
        if (!writeAt(at, m_block.out.data(), qint64(m_block.out.size()), error))
            return Failure::Write;
        at += qint64(m_block.out.size());
        takeBlock(entry);
        if (m_block.last)
            return Failure::None;
        if (!feed.next(&m_block, problem, error))
            return Failure::Read;
    }
}

ZipWriter::Failure ZipWriter::add(const QByteArray& name, DeflateBlocks::Feed& feed,
                                  DeflateBlocks::ReadProblem* problem, QString* error)
{
    if (!ensureOpen(error))
        return Failure::Write;
    DeflateBlocks::FileFacts facts;
    if (!feed.open(&facts, problem, error) || !feed.next(&m_block, problem, error))
        return Failure::Read;
    Entry entry;
    entry.name = name;
    entry.offset = m_end;
    entry.modified = facts.modified;
    entry.permissions = facts.permissions;
    entry.deflated = facts.level > 0;
    entry.zip64Local = mayNeedZip64(facts.size);
    Failure failure = Failure::None;
    qint64 dataStart = 0;
    if (m_block.last) {
        takeBlock(entry);
        const QByteArray header = localHeader(name, entry.modified, entry.deflated, entry.zip64Local,
                                              entry.crc, entry.size, entry.compressedSize);
        dataStart = m_end + header.size();
        if (!writeSmall(header, error))
            failure = Failure::Write;
    } else if (!flushPending(error)) {
        failure = Failure::Write;
    } else {
        // The header is written once the data is, when its sizes are known.
        dataStart = m_end
            + localHeader(name, entry.modified, entry.deflated, entry.zip64Local, 0, 0, 0).size();
        failure = copyBlocks(entry, feed, dataStart, problem, error);
        if (failure == Failure::None && !entry.zip64Local
            && (entry.size > kMax32 || entry.compressedSize >= kMax32)) {
            *error = QStringLiteral("the entry outgrew what its header can hold: ")
                + QString::fromUtf8(name);
            failure = Failure::Write;
        }
        const QByteArray header = localHeader(name, entry.modified, entry.deflated,
                                              entry.zip64Local, entry.crc, entry.size,
                                              entry.compressedSize);
        if (failure == Failure::None && !writeAt(m_end, header.constData(), header.size(), error))
            failure = Failure::Write;
    }
    if (failure != Failure::None) {
        // The next file takes the broken one's place.
        if (m_pending.empty()) {
            (void)::ftruncate(m_fd, m_end);
            m_reserved = m_end;
        }
        return failure;
    }
    m_end = dataStart + entry.compressedSize;
    m_entries.push_back(std::move(entry));
    return Failure::None;
}

void ZipWriter::drop(size_t index) { m_entries[index].live = false; }

bool ZipWriter::finish(const QByteArray& comment, QString* error)
{
    if (!ensureOpen(error) || !flushPending(error))
        return false;
    QByteArray out;
    qint64 at = m_end;
    qint64 records = 0;
    const auto flush = [&](qint64 least) {
        if (out.size() < least)
            return true;
        if (!writeAt(at, out.constData(), out.size(), error))
            return false;
        at += out.size();
        out.clear();
        return true;
    };
    for (const Entry& e : m_entries) {
        if (!e.live)
            continue;
        ++records;
        const bool bigSize = e.size >= kMax32 || e.zip64Local;
        const bool bigCompressed = e.compressedSize >= kMax32 || e.zip64Local;
        const bool bigOffset = e.offset >= kMax32;
        const int zip64Length = 8 * (int(bigSize) + int(bigCompressed) + int(bigOffset));
        put32(out, kCentralSignature);
        put16(out, kMadeByUnix | kVersion64);
        put16(out, zip64Length > 0 ? kVersion64 : kVersion);
        put16(out, isAscii(e.name) ? 0 : kUtf8Flag);
        put16(out, e.deflated ? 8 : 0);
        put32(out, dosDateTime(e.modified));
        put32(out, e.crc);
        put32(out, bigCompressed ? kMax32 : quint64(e.compressedSize));
        put32(out, bigSize ? kMax32 : quint64(e.size));
        put16(out, quint64(e.name.size()));
        put16(out, quint64(9 + (zip64Length > 0 ? 4 + zip64Length : 0)));
        put16(out, 0); // comment
        put16(out, 0); // disk
        put16(out, 0); // internal attributes
        put32(out, quint64(S_IFREG | e.permissions) << 16);
        put32(out, bigOffset ? kMax32 : quint64(e.offset));
        out.append(e.name);
        putTimestamp(out, e.modified);
        if (zip64Length > 0) {
            put16(out, kZip64Field);
            put16(out, quint64(zip64Length));
            if (bigSize)
                put64(out, quint64(e.size));
            if (bigCompressed)
                put64(out, quint64(e.compressedSize));
            if (bigOffset)
                put64(out, quint64(e.offset));
        }
        if (!flush(kFlushAt))
            return false;
    }
    const qint64 directorySize = at + out.size() - m_end;
    const qint64 end64 = at + out.size();
    const bool zip64 = records > kMax16 - 1 || m_end >= kMax32 || directorySize >= kMax32;
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
        put64(out, quint64(m_end));
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
    put32(out, quint64(zip64 ? kMax32 : m_end));
    put16(out, quint64(comment.size()));
    out.append(comment);
    if (!flush(0))
        return false;
    if (::ftruncate(m_fd, at) != 0) {
        *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": ") + systemText();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(QFile::encodeName(m_working).constData(),
                                     QFile::encodeName(m_path).constData())
            != 0) {
        *error = QStringLiteral("cannot write ") + m_path + QStringLiteral(": ") + systemText();
        ::unlink(QFile::encodeName(m_working).constData());
        return false;
    }
    return true;
}
