#include "ZipCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

#include "ZipFormat.h"

namespace ZipCheck {

using namespace ZipFormat;

namespace {

constexpr qint64 kEndRecord = 22;
constexpr qint64 kChunk = 1 << 20;

quint64 le(const char* p, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | quint8(p[i]);
    return v;
}

// One entry as its directory record or its own header tells it.
struct Header {
    quint64 method = 0;
    quint64 crc = 0;
    quint64 compressedSize = 0;
    quint64 size = 0;
    quint64 offset = 0;
    QByteArray name;
};

// Takes the ZIP64 values of the fields that hold their all-ones mark, in the field's order.
void applyZip64(const char* extra, qint64 length, Header* h, bool withOffset)
{
    for (qint64 at = 0; at + 4 <= length;) {
        const quint64 id = le(extra + at, 2);
        const qint64 size = qint64(le(extra + at + 2, 2));
        if (id == kZip64Field) {
            qint64 field = at + 4;
            for (quint64* value : {&h->size, &h->compressedSize, &h->offset}) {
                if (value == &h->offset && !withOffset)
                    break;
                if (*value == quint64(kMax32) && field + 8 <= at + 4 + size) {
                    *value = le(extra + field, 8);
                    field += 8;
                }
            }
            return;
        }
        at += 4 + size;
    }
}

class Reader {
public:
    explicit Reader(const QString& path) : m_path(path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        struct stat st { };
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0)
            m_size = st.st_size;
    }
    ~Reader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY(Reader)

    [[nodiscard]] bool ok() const { return m_fd >= 0; }
    [[nodiscard]] qint64 size() const { return m_size; }
    [[nodiscard]] bool at(qint64 offset, qint64 length, QByteArray* out) const
    {
        if (offset < 0 || length < 0 || offset + length > m_size)
            return false;
        out->resize(length);
        return ::pread(m_fd, out->data(), size_t(length), offset) == length;
    }

private:
    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
};

struct Directory {
    quint64 entries = 0;
    quint64 size = 0;
    quint64 offset = 0;
    qint64 end = 0; // where the directory's end records begin
};

bool findDirectory(const Reader& file, Directory* dir, QString* why)
{
    const qint64 tail = std::min<qint64>(file.size(), kEndRecord + 0xffff);
    QByteArray buffer;
    if (tail < kEndRecord || !file.at(file.size() - tail, tail, &buffer))
        return (*why = QStringLiteral("not a ZIP archive")), false;
    qint64 pos = tail - kEndRecord;
    while (pos >= 0
           && !(le(buffer.constData() + pos, 4) == kEndSignature
                && pos + kEndRecord + qint64(le(buffer.constData() + pos + 20, 2)) == tail))
        --pos;
    if (pos < 0)
        return (*why = QStringLiteral("no end of the central directory")), false;
    const char* e = buffer.constData() + pos;
    *dir = {le(e + 10, 2), le(e + 12, 4), le(e + 16, 4), file.size() - tail + pos};
    if (dir->entries != quint64(kMax16) && dir->size != quint64(kMax32) && dir->offset != quint64(kMax32))
        return true;
    QByteArray locator;
    QByteArray end64;
    if (!file.at(dir->end - 20, 20, &locator) || le(locator.constData(), 4) != kLocator64Signature
        || !file.at(qint64(le(locator.constData() + 8, 8)), 56, &end64)
        || le(end64.constData(), 4) != kEnd64Signature)
        return (*why = QStringLiteral("the ZIP64 end records are damaged")), false;
    *dir = {le(end64.constData() + 32, 8), le(end64.constData() + 40, 8),
            le(end64.constData() + 48, 8), qint64(le(locator.constData() + 8, 8))};
    return true;
}

// The local headers as they come, read through a window: headers of small entries lie close
// together, so one read serves many.
class HeaderWindow {
public:
    explicit HeaderWindow(const Reader& file) : m_file(file) { }
    // The bytes at the offset, or null when the file ends before them.
    [[nodiscard]] const char* at(qint64 offset, qint64 length)
    {
        if (offset < m_start || offset + length > m_start + m_bytes.size()) {
            const qint64 wanted = std::min(std::max(length, kWindow), m_file.size() - offset);
            if (wanted < length || !m_file.at(offset, wanted, &m_bytes)) {
                m_bytes.clear();
                return nullptr;
            }
            m_start = offset;
        }
        return m_bytes.constData() + (offset - m_start);
    }

private:
    static constexpr qint64 kWindow = 64 << 10;
    const Reader& m_file;
    QByteArray m_bytes;
    qint64 m_start = 0;
};

// The entry's own header agrees with its record and its data ends before the directory.
bool localAgrees(HeaderWindow& file, const Header& central, quint64 directoryStart, QString* why)
{
    const char* f = file.at(qint64(central.offset), 30);
    if (!f || le(f, 4) != kLocalSignature)
        return (*why = QStringLiteral("no header of its own")), false;
    const qint64 nameLength = qint64(le(f + 26, 2));
    const qint64 extraLength = qint64(le(f + 28, 2));
    Header local{le(f + 8, 2), le(f + 14, 4), le(f + 18, 4), le(f + 22, 4), 0, {}};
    const char* rest = file.at(qint64(central.offset) + 30, nameLength + extraLength);
    if (!rest)
        return (*why = QStringLiteral("its header is cut short")), false;
    applyZip64(rest + nameLength, extraLength, &local, false);
    if (QByteArrayView(rest, nameLength) != central.name || local.method != central.method
        || local.crc != central.crc || local.size != central.size
        || local.compressedSize != central.compressedSize)
        return (*why = QStringLiteral("its header and its directory record differ")), false;
    if (central.offset + 30 + quint64(nameLength + extraLength) + central.compressedSize > directoryStart)
        return (*why = QStringLiteral("its data runs into the directory")), false;
    return true;
}

} // namespace

bool wholeArchive(const QString& path, QString* error)
{
    const Reader file(path);
    HeaderWindow headers(file);
    QString why;
    Directory dir;
    bool ok = file.ok() && findDirectory(file, &dir, &why)
        && (dir.offset + dir.size <= quint64(dir.end)
            || ((why = QStringLiteral("the central directory lies outside the file")), false));
    quint64 count = 0;
    QByteArray chunk;
    qint64 chunkStart = 0;
    // Records are read a chunk at a time: memory stays flat however many entries there are.
    for (quint64 at = dir.offset; ok && at < dir.offset + dir.size; ++count) {
        const auto fetch = [&](quint64 length) {
            if (at >= quint64(chunkStart) && at + length <= quint64(chunkStart + chunk.size()))
                return true;
            chunkStart = qint64(at);
            return file.at(chunkStart, std::max<qint64>(qint64(length), std::min<qint64>(kChunk, qint64(dir.offset + dir.size - at))), &chunk);
        };
        if (!fetch(46) || le(chunk.constData() + (at - chunkStart), 4) != kCentralSignature) {
            why = QStringLiteral("a directory record is damaged");
            ok = false;
            break;
        }
        const char* r = chunk.constData() + (at - chunkStart);
        const quint64 nameLength = le(r + 28, 2);
        const quint64 extraLength = le(r + 30, 2);
        const quint64 recordLength = 46 + nameLength + extraLength + le(r + 32, 2);
        if (at + recordLength > dir.offset + dir.size || !fetch(recordLength)) {
            why = QStringLiteral("a directory record is cut short");
            ok = false;
            break;
        }
        r = chunk.constData() + (at - chunkStart);
        Header central{le(r + 10, 2), le(r + 16, 4), le(r + 20, 4), le(r + 24, 4), le(r + 42, 4),
                       QByteArray(r + 46, qsizetype(nameLength))};
        applyZip64(r + 46 + nameLength, qint64(extraLength), &central, true);
        ok = localAgrees(headers, central, dir.offset, &why);
        if (!ok)
            why = QString::fromUtf8(central.name) + QStringLiteral(": ") + why;
        at += recordLength;
    }
    if (ok && count != dir.entries) {
        why = QStringLiteral("the directory holds another number of entries than it says");
        ok = false;
    }
    if (!ok && error)
        *error = QStringLiteral("cannot open ") + path + QStringLiteral(": ")
            + (file.ok() ? why : QString::fromLocal8Bit(std::strerror(errno)));
    return ok;
}

} // namespace ZipCheck
