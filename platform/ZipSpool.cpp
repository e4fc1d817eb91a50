#include "ZipSpool.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include <QDir>
#include <QFile>

namespace {

constexpr qint64 kChunk = 256 * 1024;

QString systemError(const QString& what, const QString& path)
{
    return what + QLatin1Char(' ') + path + QStringLiteral(": ")
        + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

// One deflate stream, reset for every file: its set-up costs more than a small file's data.
struct ZipSpool::Deflater {
    z_stream stream{};
    int level = -1;
    bool ready = false;

    ~Deflater()
    {
        if (ready)
            deflateEnd(&stream);
    }

    bool start(int wanted)
    {
        if (!ready) {
            ready = deflateInit2(&stream, wanted, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY)
                == Z_OK;
            level = wanted;
            return ready;
        }
        if (deflateReset(&stream) != Z_OK)
            return false;
        if (wanted != level && deflateParams(&stream, wanted, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        level = wanted;
        return true;
    }
};

ZipSpool::ZipSpool(QString folder) :
    m_folder(std::move(folder)), m_deflater(std::make_unique<Deflater>()), m_in(kChunk),
    m_out(kChunk)
{
}

ZipSpool::~ZipSpool()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ZipSpool::ensureOpen(QString* error)
{
    if (m_fd >= 0)
        return true;
    QDir().mkpath(m_folder);
    QByteArray name = QFile::encodeName(m_folder + QStringLiteral("/zipspool.XXXXXX"));
    m_fd = ::mkstemp(name.data());
    if (m_fd < 0) {
        m_problem = Problem::SpoolWrite;
        *error = systemError(QStringLiteral("cannot create the spool file in"), m_folder);
        return false;
    }
    // Unlinked at once: nothing is left behind, whatever ends the run.
    ::unlink(name.constData());
    return true;
}

bool ZipSpool::write(const char* data, qint64 length, QString* error)
{
    while (length > 0) {
        const ssize_t done = ::pwrite(m_fd, data, static_cast<size_t>(length), m_end);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            m_problem = Problem::SpoolWrite;
            *error = systemError(QStringLiteral("cannot write the spool file in"), m_folder);
            return false;
        }
        data += done;
        length -= done;
        m_end += done;
    }
    return true;
}

bool ZipSpool::deflateChunk(qint64 length, bool last, Piece* piece, QString* error)
{
    z_stream& zs = m_deflater->stream;
    zs.next_in = reinterpret_cast<Bytef*>(m_in.data());
    zs.avail_in = static_cast<uInt>(length);
    int rc = Z_OK;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(m_out.data());
        zs.avail_out = static_cast<uInt>(m_out.size());
        rc = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR) {
            *error = QStringLiteral("compression failed");
            return false;
        }
        const qint64 produced = static_cast<qint64>(m_out.size()) - zs.avail_out;
        if (!write(m_out.data(), produced, error))
            return false;
        piece->compressedSize += produced;
    } while (zs.avail_out == 0 || (last && rc != Z_STREAM_END));
    return true;
}

// A file that grows while it is read is stored at the size it had when it was opened.
bool ZipSpool::copyFrom(int source, qint64 size, int level, Piece* piece, QString* error)
{
    for (;;) {
        const qint64 wanted = qMin<qint64>(static_cast<qint64>(m_in.size()), size - piece->size);
        const ssize_t got = wanted <= 0 ? 0 : ::read(source, m_in.data(), static_cast<size_t>(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_problem = errno == EAGAIN ? Problem::Locked : Problem::Unreadable;
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        piece->crc = static_cast<quint32>(
            crc32(piece->crc, reinterpret_cast<const Bytef*>(m_in.data()), static_cast<uInt>(got)));
        piece->size += got;
        const bool last = got == 0;
        if (level > 0 ? !deflateChunk(got, last, piece, error) : !write(m_in.data(), got, error))
            return false;
        if (level == 0)
            piece->compressedSize += got;
        if (last)
            return true;
    }
}

void ZipSpool::readFailed(const QString& path, QString* error)
{
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
        m_problem = Problem::Vanished;
        break;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
        m_problem = Problem::Locked;
        break;
    default:
        m_problem = Problem::Unreadable;
    }
    *error = systemError(QStringLiteral("cannot read"), path);
}

bool ZipSpool::add(const QString& path, int level, Piece* piece, QString* error)
{
    m_problem = Problem::None;
    if (!ensureOpen(error))
        return false;
    // Non-blocking, so that a FIFO put in the file's place cannot stall the run.
    const int source = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (source < 0) {
        readFailed(path, error);
        return false;
    }
    struct stat st { };
    if (::fstat(source, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(source);
        m_problem = Problem::Unreadable;
        *error = QStringLiteral("not a regular file: ") + path;
        return false;
    }
    // An empty file is stored: deflate would only add its end marker.
    const bool empty = st.st_size == 0;
    const int used = empty ? 0 : qBound(0, level, 9);
    const qint64 start = m_end;
    *piece = Piece{start, 0, 0, 0, used > 0, static_cast<qint64>(st.st_mtim.tv_sec),
                   static_cast<quint32>(st.st_mode & 07777)};
    bool ok = used == 0 || m_deflater->start(used);
    if (!ok)
        *error = QStringLiteral("compression could not start");
    ok = ok && copyFrom(source, st.st_size, used, piece, error);
    ::close(source);
    if (!ok) {
        m_end = start; // the next file overwrites the broken piece
        if (!error->contains(path))
            *error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + *error;
    }
    return ok;
}

qint64 ZipSpool::read(qint64 offset, char* buffer, qint64 length) const
{
    for (;;) {
        const ssize_t got = ::pread(m_fd, buffer, static_cast<size_t>(length), offset);
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}
