#pragma once

#include <memory>
#include <thread>
#include <vector>

#include <QStringList>

#include "DeflateBlocks.h"

// The files an archive is told come next, opened, read and compressed ahead on the other cores
// while the caller goes on; the caller takes each in its own order and writes it. Memory stays
// bounded whatever the sizes: a few blocks per file and a fixed number of bytes are held ahead.
// What a file gives is the same as reading and compressing it on the calling thread.
class ZipReadAhead {
    Q_DISABLE_COPY(ZipReadAhead)
public:
    explicit ZipReadAhead(int threads);
    // Drops what is pending and waits for the workers, each at most one block away.
    ~ZipReadAhead();

    // The cores this process may use; read-ahead is only worth it with two or more.
    [[nodiscard]] static int coresToUse();

    // The files expected next, in the order they will be taken; more puts them after those
    // already expected, else in their place.
    void expect(const QStringList& paths, int level, bool more);
    // The feed of the path when it was expected at this level; the expected files before it
    // were passed over and are dropped. Null when it was not expected: read it yourself.
    [[nodiscard]] std::unique_ptr<DeflateBlocks::Feed> take(const QString& path, int level);
    // How many files this process took read ahead, so that one can tell which way a file went.
    [[nodiscard]] static qint64 filesTaken();

private:
    struct Piece;
    struct Item;
    struct State;
    struct ReadResult;
    class ItemFeed;
    class ReadyFeed;
    static ReadResult readOn(Item& item, std::shared_ptr<Piece> piece);
    static void work(State& state);
    std::shared_ptr<State> m_state;
    std::vector<std::thread> m_workers;
};
