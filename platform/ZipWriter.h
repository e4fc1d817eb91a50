#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "DeflateBlocks.h"

// A new archive written as its files are added: each file's header and compressed data go
// straight into a working file beside the archive, the directory follows at the end, and only
// then does the working file take the archive's place. ZIP64 where sizes or counts need it.
// The directory records wait in a second working file, unlinked at once, so that an entry
// keeps a few numbers in memory, however long its name.
class ZipWriter {
    Q_DISABLE_COPY(ZipWriter)
public:
    enum class Failure { None, Read, Write };
    // An entry as its directory record tells it.
    struct Facts {
        QByteArray name;
        qint64 size = 0;
        qint64 compressedSize = 0;
        qint64 modified = 0; // seconds since the epoch
    };

    explicit ZipWriter(QString path);
    // A writer never finished leaves no working file behind.
    ~ZipWriter();

    // Adds the feed's file under the name; an entry of that name already there leaves the
    // directory, and the new one is the last. On failure the archive is as it was before.
    [[nodiscard]] Failure add(const QByteArray& name, DeflateBlocks::Feed& feed,
                              DeflateBlocks::ReadProblem* problem, QString* error);
    [[nodiscard]] bool contains(const QByteArray& name) const;
    // The entries the directory will list, in their order.
    [[nodiscard]] size_t count() const { return m_records.size() - m_dropped.size(); }
    // The entry at the place, 0 to count() - 1; false when its record cannot be read back.
    [[nodiscard]] bool facts(size_t place, Facts* facts) const;

    // Writes the directory and the comment and puts the archive in place.
    [[nodiscard]] bool finish(const QByteArray& comment, QString* error);

    // A working file written at its end. Small pieces are gathered into one write, into room
    // taken on the disk beforehand, so that a full disk fails the piece that does not fit,
    // not one gathered before it.
    class Gathered {
        Q_DISABLE_COPY(Gathered)
    public:
        Gathered() = default;
        ~Gathered();
        [[nodiscard]] bool open(const QByteArray& pattern, bool unlinked, QString* error);
        [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
        [[nodiscard]] int fd() const { return m_fd; }
        [[nodiscard]] qint64 end() const { return m_end; }
        [[nodiscard]] const QString& name() const { return m_name; }
        // Both pieces at the end, one after the other.
        [[nodiscard]] bool put(const char* a, qint64 aLength, const char* b, qint64 bLength,
                               QString* error);
        // Writes what is gathered; false when it or anything gathered before was lost.
        [[nodiscard]] bool flush(QString* error);
        // Bytes written past the end by hand end there now.
        void grownTo(qint64 end) { m_end = end; }
        // Everything from the offset on is dropped.
        void cutBack(qint64 offset);
        [[nodiscard]] bool read(qint64 offset, char* data, qint64 length) const;
        // Puts its bytes from the offset up to the other at the target's end.
        [[nodiscard]] bool copyTo(Gathered& target, qint64 from, qint64 to, QString* error);
        [[nodiscard]] bool writeAt(qint64 offset, const char* data, qint64 length, QString* error);
        // Releases the file; it keeps the bytes given, and no room taken beyond them.
        [[nodiscard]] bool close(QString* error);

    private:
        [[nodiscard]] bool reserve(qint64 end);
        [[nodiscard]] bool writeBoth(const char* a, qint64 aLength, const char* b, qint64 bLength,
                                     QString* error);
        int m_fd = -1;
        QString m_name;
        QString m_label; // the archive, as messages name it
        qint64 m_end = 0;
        std::vector<char> m_pending;
        qint64 m_pendingAt = 0;
        qint64 m_reserved = 0;     // the file has room taken up to here
        bool m_noReserve = false;  // the file system takes no room in advance
        bool m_broken = false;     // gathered bytes were lost
    };

private:
    struct Entry {
        qint64 offset = 0;
        qint64 size = 0;
        qint64 compressedSize = 0;
        qint64 modified = 0;
        quint32 crc = 0;
        quint32 permissions = 0;
        bool deflated = false;
        bool zip64Local = false; // the local header carries the ZIP64 sizes
    };
    [[nodiscard]] bool ensureOpen(QString* error);
    void takeBlock(Entry& entry) const;
    [[nodiscard]] Failure writeInBlocks(const QByteArray& name, Entry& entry,
                                        DeflateBlocks::Feed& feed,
                                        DeflateBlocks::ReadProblem* problem, QString* error);
    [[nodiscard]] Failure copyBlocks(Entry& entry, DeflateBlocks::Feed& feed, qint64 dataStart,
                                     DeflateBlocks::ReadProblem* problem, QString* error);
    void remember(const QByteArray& name, const Entry& entry, qint64 record);
    [[nodiscard]] size_t slotOf(const QByteArray& name, quint32 hash) const;
    void growTable();
    [[nodiscard]] size_t indexAt(size_t place) const;
    [[nodiscard]] bool readFacts(size_t index, Facts* facts) const;
    [[nodiscard]] bool copyDirectory(qint64* records, QString* error);

    QString m_path;
    Gathered m_data;
    Gathered m_directory; // the directory records, as the archive will hold them
    std::vector<qint64> m_records;  // per entry: where its record starts in m_directory
    std::vector<quint32> m_hashes;  // per entry: of its name
    std::vector<quint32> m_slots;   // by name hash: entry index + 1 of a live entry, or 0
    std::vector<size_t> m_dropped;  // replaced entries, in order
    Facts m_last;                   // the newest entry
    DeflateBlocks::Block m_block;
};
