#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "DeflateBlocks.h"

// Compressed copies of the files added to an archive, kept in one unlinked temporary file
// until the archive is written. Compressing at add time gives the entry's sizes at once and
// leaves the archive independent of the source file from then on.
class ZipSpool {
    Q_DISABLE_COPY(ZipSpool)
public:
    // Where one added file's data lies in the spool.
    struct Piece {
        qint64 offset = 0;
        qint64 compressedSize = 0;
        qint64 size = 0;
        quint32 crc = 0;
        bool deflated = false; // raw deflate; else stored
        // Of the file as opened, so that the entry needs no further look at the file.
        qint64 modified = 0; // seconds since the epoch
        quint32 permissions = 0644;
    };

    // Why the last add() failed.
    // Why the last add() failed: the file could not be read (readProblem()), or the spool could
    // not be written (spoolWriteFailed()).

    explicit ZipSpool(QString folder);
    ~ZipSpool();

    // Stores the file's compressed blocks as the feed gives them; path names it in messages.
    [[nodiscard]] bool add(const QString& path, DeflateBlocks::Feed& feed, Piece* piece,
                           QString* error);
    [[nodiscard]] DeflateBlocks::ReadProblem readProblem() const { return m_readProblem; }
    [[nodiscard]] bool spoolWriteFailed() const { return m_writeFailed; }
    // Reads spooled bytes; gives the count read or -1.
    [[nodiscard]] qint64 read(qint64 offset, char* buffer, qint64 length) const;

private:
    [[nodiscard]] bool ensureOpen(QString* error);
    [[nodiscard]] bool write(const char* data, qint64 length, QString* error);
    [[nodiscard]] bool copyBlocks(DeflateBlocks::Feed& feed, Piece* piece, QString* error);

    QString m_folder;
    int m_fd = -1;
    DeflateBlocks::ReadProblem m_readProblem = DeflateBlocks::ReadProblem::None;
    bool m_writeFailed = false;
    qint64 m_end = 0;
    DeflateBlocks::Block m_block;
};
