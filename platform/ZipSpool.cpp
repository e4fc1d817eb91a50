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

QString systemError(const QString& what, const QString& path)
{
    return what + QLatin1Char(' ') + path + QStringLiteral(": ")
        + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

ZipSpool::ZipSpool(QString folder) : m_folder(std::move(folder)) { }

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
        m_writeFailed = true;
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
            m_writeFailed = true;
            *error = systemError(QStringLiteral("cannot write the spool file in"), m_folder);
            return false;
        }
        data += done;
        length -= done;
        m_end += done;
    }
    return true;
}

bool ZipSpool::copyBlocks(DeflateBlocks::Feed& feed, Piece* piece, QString* error)
{
    for (;;) {
        if (!feed.next(&m_block, &m_readProblem, error))
            return false;
        if (!write(m_block.out.data(), static_cast<qint64>(m_block.out.size()), error))
            return false;
        piece->crc = static_cast<quint32>(crc32_combine(piece->crc, m_block.crc, m_block.length));
        piece->size += m_block.length;
        piece->compressedSize += static_cast<qint64>(m_block.out.size());
        if (m_block.last)
            return true;
    }
}

bool ZipSpool::add(const QString& path, DeflateBlocks::Feed& feed, Piece* piece, QString* error)
{
    m_readProblem = DeflateBlocks::ReadProblem::None;
    m_writeFailed = false;
    if (!ensureOpen(error))
        return false;
    DeflateBlocks::FileFacts facts;
    if (!feed.open(&facts, &m_readProblem, error))
        return false;
    const qint64 start = m_end;
    *piece = Piece{start, 0, 0, 0, facts.level > 0, facts.modified, facts.permissions};
    if (copyBlocks(feed, piece, error))
        return true;
    m_end = start; // the next file overwrites the broken piece
    if (!error->contains(path))
        *error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + *error;
    return false;
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
