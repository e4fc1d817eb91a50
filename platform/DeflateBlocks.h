#pragma once

#include <memory>
#include <vector>

#include <QString>

// A file is deflated in blocks: each is primed with the 32 KiB read before it and, unless it is
// the last, ends on a byte boundary, so that blocks compressed apart, on any core, join into one
// standard deflate stream. The stream is the same whichever core compressed which block, and a
// file of one block gives what plain deflate gives.
namespace DeflateBlocks {

// Room that is filled by a read or by deflate right after it is made: not zeroed first.
template <typename T>
struct UnsetAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using Bytes = std::vector<char, UnsetAllocator<char>>;

constexpr qint64 kBlock = 256 * 1024;
constexpr qint64 kWindow = 32 * 1024;

// Reads up to length bytes from the descriptor; fewer only at its end, -1 on an error.
[[nodiscard]] qint64 readFully(int fd, char* data, qint64 length);
// Reads from least up to most bytes, fewer only at its end; ended tells whether the end was met.
[[nodiscard]] qint64 readBetween(int fd, char* data, qint64 least, qint64 most, bool* ended);

enum class ReadProblem { None, Vanished, Unreadable, Locked, Other };

// What the file was when it was opened; the entry needs no further look at it.
struct FileFacts {
    qint64 size = 0;
    qint64 modified = 0; // seconds since the epoch
    quint32 permissions = 0644;
    int level = 0;       // 0 stores; an empty file is always stored
};

// One block of input as read, and what it became.
struct Block {
    Bytes in;
    Bytes dictionary; // the input just before it
    Bytes out;
    quint32 crc = 0;
    qint64 length = 0;
    bool last = false;
    qint64 sizeAtEnd = -1; // of the file, once its last block was read; more when it grew
};

// A regular file read in order, block by block, up to the size it had when it was opened.
class Source {
    Q_DISABLE_COPY(Source)
public:
    Source() = default;
    ~Source();

    // Non-blocking, so that a FIFO put in the file's place cannot stall the run.
    [[nodiscard]] bool open(const QString& path, int level, FileFacts* facts, ReadProblem* problem,
                            QString* error);
    // Reads the next block with its dictionary; a file that shrank ends early.
    [[nodiscard]] bool next(Block* block, ReadProblem* problem, QString* error);

private:
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_offset = 0;
    bool m_ended = false;
    QString m_path;
    Bytes m_tail;
};

// Deflates blocks; one per thread, reused for every block.
class Compressor {
    Q_DISABLE_COPY(Compressor)
public:
    Compressor();
    ~Compressor();
    // Fills block->out and block->crc from block->in; level 0 stores.
    [[nodiscard]] bool compress(Block* block, int level, QString* error);

private:
    struct Stream;
    Stream* m_stream;
};

// Where the compressed blocks of one file come from: read and compressed here, or ahead on
// other cores.
class Feed {
public:
    virtual ~Feed() = default;
    [[nodiscard]] virtual bool open(FileFacts* facts, ReadProblem* problem, QString* error) = 0;
    // The next block in order; its out and crc are filled.
    [[nodiscard]] virtual bool next(Block* block, ReadProblem* problem, QString* error) = 0;
};

// The feed that reads and compresses on the calling thread.
class InlineFeed final : public Feed {
public:
    InlineFeed(Compressor& compressor, QString path, int level);
    [[nodiscard]] bool open(FileFacts* facts, ReadProblem* problem, QString* error) override;
    [[nodiscard]] bool next(Block* block, ReadProblem* problem, QString* error) override;

private:
    Compressor& m_compressor;
    Source m_source;
    QString m_path;
    int m_level;
    int m_used = 0;
};

} // namespace DeflateBlocks
