#include "DeflateBlocks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include <QFile>

namespace DeflateBlocks {

namespace {

QString systemText() { return QString::fromLocal8Bit(std::strerror(errno)); }

ReadProblem openProblem()
{
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
        return ReadProblem::Vanished;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
        return ReadProblem::Locked;
    default:
        return ReadProblem::Unreadable;
    }
}

} // namespace

qint64 readBetween(int fd, char* data, qint64 least, qint64 most, bool* ended)
{
    qint64 done = 0;
    for (;;) {
        const ssize_t got = ::read(fd, data + done, static_cast<size_t>(most - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        done += got;
        // A read of a regular file that comes back short has met its end.
        *ended = got == 0 || (done < most && done >= least);
        if (*ended || done == most)
            return done;
    }
}

qint64 readFully(int fd, char* data, qint64 length)
{
    bool ended = false;
    return readBetween(fd, data, length, length, &ended);
}

Source::~Source()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Source::open(const QString& path, int level, FileFacts* facts, ReadProblem* problem,
                  QString* error)
{
    m_path = path;
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        *problem = openProblem();
        *error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + systemText();
        return false;
    }
    struct stat st { };
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *problem = ReadProblem::Unreadable;
        *error = QStringLiteral("not a regular file: ") + path;
        return false;
    }
    m_size = st.st_size;
    // An empty file is stored: deflate would only add its end marker.
    *facts = FileFacts{m_size, static_cast<qint64>(st.st_mtim.tv_sec),
                       static_cast<quint32>(st.st_mode & 07777),
                       m_size == 0 ? 0 : std::clamp(level, 0, 9)};
    return true;
}

bool Source::next(Block* block, ReadProblem* problem, QString* error)
{
    const qint64 wanted = std::min(kBlock, m_size - m_offset);
    // The last block asks for a byte more, so that its read tells whether the file grew.
    const qint64 room = wanted + (m_offset + wanted >= m_size ? 1 : 0);
    block->in.resize(static_cast<size_t>(room));
    bool ended = false;
    const qint64 read = readBetween(m_fd, block->in.data(), wanted, room, &ended);
    if (read < 0) {
        *problem = errno == EAGAIN ? ReadProblem::Locked : ReadProblem::Unreadable;
        *error = QStringLiteral("cannot read ") + m_path + QStringLiteral(": ") + systemText();
        return false;
    }
    const qint64 got = std::min(read, wanted);
    block->in.resize(static_cast<size_t>(got));
    block->length = got;
    block->dictionary = m_tail;
    m_offset += got;
    // A file that grows while it is read is stored at the size it had when it was opened.
    block->last = got < wanted || m_offset >= m_size;
    m_ended = block->last;
    block->sizeAtEnd = -1;
    // Closed by whoever read it last, so that a file read ahead costs the taker no system call.
    if (m_ended) {
        block->sizeAtEnd = ended ? m_offset : m_offset + 1;
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_ended)
        return true;
    const qint64 keep = std::min<qint64>(kWindow, got);
    m_tail.assign(block->in.end() - keep, block->in.end());
    return true;
}

struct Compressor::Stream {
    z_stream zs{};
    int level = -1;
};

Compressor::Compressor() : m_stream(new Stream) { }

Compressor::~Compressor()
{
    if (m_stream->level >= 0)
        deflateEnd(&m_stream->zs);
    delete m_stream;
}

bool Compressor::compress(Block* block, int level, QString* error)
{
    block->crc = static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(block->in.data()),
                                            static_cast<uInt>(block->in.size())));
    if (level == 0) {
        block->out.swap(block->in);
        return true;
    }
    z_stream& zs = m_stream->zs;
    // The set-up of a stream costs more than a small file's data: it is reset, not made anew.
    bool ready = m_stream->level < 0
        ? deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK
        : deflateReset(&zs) == Z_OK
            && (level == m_stream->level || deflateParams(&zs, level, Z_DEFAULT_STRATEGY) == Z_OK);
    if (ready)
        m_stream->level = level;
    if (ready && !block->dictionary.empty())
        ready = deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(block->dictionary.data()),
                                     static_cast<uInt>(block->dictionary.size()))
            == Z_OK;
    if (!ready) {
        *error = QStringLiteral("compression could not start");
        return false;
    }
    // Room for the worst case and the byte-boundary marker of a block that is not the last.
    block->out.resize(deflateBound(&zs, static_cast<uLong>(block->in.size())) + 16);
    zs.next_in = reinterpret_cast<Bytef*>(block->in.data());
    zs.avail_in = static_cast<uInt>(block->in.size());
    zs.next_out = reinterpret_cast<Bytef*>(block->out.data());
    zs.avail_out = static_cast<uInt>(block->out.size());
    const int rc = deflate(&zs, block->last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool whole = block->last ? rc == Z_STREAM_END : rc == Z_OK && zs.avail_in == 0 && zs.avail_out > 0;
    if (!whole) {
        *error = QStringLiteral("compression failed");
        return false;
    }
    block->out.resize(block->out.size() - zs.avail_out);
    return true;
}

InlineFeed::InlineFeed(Compressor& compressor, QString path, int level) :
    m_compressor(compressor), m_path(std::move(path)), m_level(level)
{
}

bool InlineFeed::open(FileFacts* facts, ReadProblem* problem, QString* error)
{
    if (!m_source.open(m_path, m_level, facts, problem, error))
        return false;
    m_used = facts->level;
    return true;
}

bool InlineFeed::next(Block* block, ReadProblem* problem, QString* error)
{
    if (!m_source.next(block, problem, error))
        return false;
    if (m_compressor.compress(block, m_used, error))
        return true;
    *problem = ReadProblem::Other;
    return false;
}

} // namespace DeflateBlocks
