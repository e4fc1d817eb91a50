#pragma once

#include <deque>
#include <vector>

#include <QByteArray>
#include <QString>

#include "DeflateBlocks.h"

// A new archive written as its files are added: each file's header and compressed data go
// straight into a working file beside the archive, the directory follows at the end, and only
// then does the working file take the archive's place. ZIP64 where sizes or counts need it.
class ZipWriter {
    Q_DISABLE_COPY(ZipWriter)
public:
    enum class Failure { None, Read, Write };

    explicit ZipWriter(QString path);
    // A writer never finished leaves no working file behind.
    ~ZipWriter();

    // Adds the feed's file under the name; on failure the archive is as it was before.
    [[nodiscard]] Failure add(const QByteArray& name, DeflateBlocks::Feed& feed,
                              DeflateBlocks::ReadProblem* problem, QString* error);
    // Leaves an entry out of the directory (it was replaced).
    void drop(size_t index);
    [[nodiscard]] size_t count() const { return m_entries.size(); }
    [[nodiscard]] qint64 size(size_t index) const { return m_entries[index].size; }
    [[nodiscard]] qint64 compressedSize(size_t index) const { return m_entries[index].compressedSize; }
    [[nodiscard]] qint64 modified(size_t index) const { return m_entries[index].modified; }

    // Writes the directory and the comment and puts the archive in place.
    [[nodiscard]] bool finish(const QByteArray& comment, QString* error);

private:
    struct Entry {
        QByteArray name;
        qint64 offset = 0;
        qint64 size = 0;
        qint64 compressedSize = 0;
        qint64 modified = 0;
        quint32 crc = 0;
        quint32 permissions = 0;
        bool deflated = false;
        bool zip64Local = false; // the local header carries the ZIP64 sizes
        bool live = true;
    };
    [[nodiscard]] bool ensureOpen(QString* error);
    [[nodiscard]] bool writeAt(qint64 offset, const char* data, qint64 length, QString* error);
    void takeBlock(Entry& entry) const;
    [[nodiscard]] bool writeWithHeader(qint64 offset, const QByteArray& header, QString* error);
    [[nodiscard]] bool writeSmall(const QByteArray& header, QString* error);
    [[nodiscard]] bool reserve(qint64 end);
    [[nodiscard]] bool flushPending(QString* error);
    [[nodiscard]] Failure copyBlocks(Entry& entry, DeflateBlocks::Feed& feed, qint64 dataStart,
                                     DeflateBlocks::ReadProblem* problem, QString* error);
    [[nodiscard]] QByteArray centralDirectory(qint64* records) const;

    QString m_path;
    QString m_working;
    int m_fd = -1;
    qint64 m_end = 0;
    // Small entries are gathered and written together, into room taken on the disk beforehand,
    // so that a full disk still fails the entry that does not fit, not one added earlier.
    std::vector<char> m_pending;
    qint64 m_pendingAt = 0;  // where the pending bytes go
    qint64 m_reserved = 0;   // the file has room taken up to here
    bool m_noReserve = false; // the file system takes no room in advance
    bool m_broken = false;    // pending bytes were lost: the archive cannot be finished
    std::deque<Entry> m_entries; // grows without copying what it holds
    DeflateBlocks::Block m_block;
};
