#include "ZipReadAhead.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sched.h>

using namespace DeflateBlocks;

namespace {
// How far ahead of the file being taken the workers may go.
constexpr int kItemsPerThread = 16;
constexpr int kBlocksPerThread = 4;
// Paths looked through for one that was not next; beyond that it counts as not expected.
constexpr qsizetype kSearch = 512;
std::atomic<qint64> g_filesTaken{0};
} // namespace

// One block of a file, read, then compressed by whichever worker is free.
struct ZipReadAhead::Piece {
    Block block;
    bool done = false;
    bool failed = false;
    QString error;

    // Feed::next's answer with this piece: its block, swapped for the caller's, or why it has none.
    bool handOver(Block* to, ReadProblem* problem, QString* why)
    {
        if (failed) {
            *problem = ReadProblem::Other;
            *why = error;
            return false;
        }
        std::swap(*to, block);
        return true;
    }
};

struct ZipReadAhead::Item {
    QString path;
    int level = 0;
    qsizetype order = 0;
    Source source; // used by the one worker that took the item off toRead
    bool opened = false;  // the open was tried
    bool openFailed = false;
    bool readEnded = false;
    bool readFailed = false;
    bool dropped = false;
    FileFacts facts;
    ReadProblem problem = ReadProblem::None;
    QString error;
    std::deque<std::shared_ptr<Piece>> pieces; // read and not yet taken, in order

    // Feed::open's answer, once the open was tried.
    bool openAnswer(FileFacts* facts, ReadProblem* problem, QString* error) const
    {
        if (openFailed) {
            *problem = this->problem;
            *error = this->error;
            return false;
        }
        *facts = this->facts;
        return true;
    }

    // Feed::next's answer once no block is left: why the file gives no more.
    bool endAnswer(ReadProblem* problem, QString* error) const
    {
        *problem = readFailed ? this->problem : ReadProblem::Other;
        *error = readFailed ? this->error : QStringLiteral("the file ended early: ") + path;
        return false;
    }
};

struct ZipReadAhead::State {
    std::mutex mutex;
    std::condition_variable work;  // workers wait here for something to do
    std::condition_variable ready; // the taker waits here for its file's next block
    bool stopping = false;
    int threads = 1;
    QStringList paths;
    int level = 0;
    qsizetype nextPath = 0;
    qsizetype pathsPassed = 0; // paths made into items and trimmed off the front: orders go on
    std::deque<std::shared_ptr<Item>> items; // made from paths and not yet taken, in order
    std::shared_ptr<Item> current;           // the one being taken
    std::map<qsizetype, std::shared_ptr<Item>> toRead;
    std::deque<std::pair<std::shared_ptr<Item>, std::shared_ptr<Piece>>> toCompress;
    qint64 heldBytes = 0;
    // Waking a thread costs more than a small file: only those waiting are woken, one at a time.
    int idleWorkers = 0;
    const Item* awaited = nullptr; // the item the taker waits for
    // Buffers of blocks taken or dropped, for the next blocks read: a file costs no allocation
    // of its data, whatever the allocator's thresholds have become.
    std::vector<Bytes> spare;
    // Blocks the taker has done with, kept by the taker alone and given back with its next take.
    std::vector<std::shared_ptr<Piece>> takenBlocks;
    qint64 spareBytes = 0;

    Bytes takeSpare()
    {
        if (spare.empty())
            return {};
        Bytes bytes = std::move(spare.back());
        spare.pop_back();
        spareBytes -= qint64(bytes.capacity());
        return bytes;
    }

    // Keeps at most the bytes the read-ahead may hold, so that memory stays bounded.
    void giveBack(Bytes& bytes)
    {
        const qint64 room = qint64(bytes.capacity());
        if (room == 0 || spareBytes + room > byteBudget())
            return;
        bytes.clear();
        spareBytes += room;
        spare.push_back(std::move(bytes));
    }

    void recycle(Block& block)
    {
        giveBack(block.in);
        giveBack(block.out);
        giveBack(block.dictionary);
    }

    // A block read into spare buffers when there are any.
    std::shared_ptr<Piece> makePiece()
    {
        auto piece = std::make_shared<Piece>();
        piece->block.in = takeSpare();
        piece->block.out = takeSpare();
        return piece;
    }

    // Room for another file ahead, with spareItems more files and spareBlocks more blocks.
    [[nodiscard]] bool mayMakeItem(size_t spareItems, size_t spareBlocks) const
    {
        return nextPath < paths.size() && items.size() + spareItems < itemsAhead()
            && heldBytes < byteBudget() - qint64(spareBlocks) * kBlock / 2;
    }

    [[nodiscard]] bool workFor(size_t spareItems, size_t spareBlocks) const
    {
        if (!toCompress.empty() || mayMakeItem(spareItems, spareBlocks))
            return true;
        for (const auto& [order, item] : toRead)
            if (mayRead(*item))
                return true;
        return false;
    }

    // A worker that found work wakes the next, so that all of them take part.
    void wakeWorker()
    {
        if (idleWorkers > 0 && workFor(0, 0))
            work.notify_one();
    }

    // The taker wakes one only once half the files ahead were taken: woken for each file it
    // takes, the workers would sleep and wake once per small file.
    void wakeWorkerForBatch()
    {
        if (idleWorkers > 0 && workFor(itemsAhead() / 2, size_t(threads)))
            work.notify_one();
    }

    void wakeTaker(const Item& item)
    {
        if (awaited == &item)
            ready.notify_one();
    }

    template <typename Done>
    void awaitItem(std::unique_lock<std::mutex>& lock, const Item& item, Done done)
    {
        awaited = &item;
        ready.wait(lock, done);
        awaited = nullptr;
    }

    [[nodiscard]] qint64 byteBudget() const { return qint64(kBlocksPerThread) * threads * kBlock; }
    [[nodiscard]] size_t blocksPerFile() const { return size_t(2 * threads + 2); }
    [[nodiscard]] size_t itemsAhead() const { return size_t(kItemsPerThread * threads); }

    void drop(Item& item)
    {
        item.dropped = true;
        for (const auto& piece : item.pieces) {
            heldBytes -= piece->block.length;
            if (piece->done) // else a worker may be compressing it
                recycle(piece->block);
        }
        item.pieces.clear();
        toRead.erase(item.order);
    }

    void dropItemsBefore(size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            drop(*items[i]);
        items.erase(items.begin(), items.begin() + qsizetype(count));
    }

    void dropAll()
    {
        dropItemsBefore(items.size());
        if (current)
            drop(*current);
        current.reset();
    }

    std::shared_ptr<Item> makeItem(qsizetype index)
    {
        auto item = std::make_shared<Item>();
        item->path = paths.at(index);
        item->level = level;
        item->order = pathsPassed + index;
        toRead.emplace(item->order, item);
        return item;
    }

    [[nodiscard]] bool mayRead(const Item& item) const
    {
        if (item.pieces.size() >= blocksPerFile())
            return false;
        return &item == current.get() || heldBytes < byteBudget();
    }

    // Read and compressed to the end, or failed: nothing a worker still does to it.
    [[nodiscard]] static bool whole(const Item& item)
    {
        if (!item.opened || (!item.openFailed && !item.readEnded))
            return false;
        return std::all_of(item.pieces.begin(), item.pieces.end(), [](const auto& p) { return p->done; });
    }

    void recycleTaken()
    {
        for (const auto& piece : takenBlocks)
            recycle(piece->block);
        takenBlocks.clear();
    }

    // The earliest file that may be read on, making the next one from the paths when none may.
    std::shared_ptr<Item> nextToRead()
    {
        for (const auto& [order, item] : toRead) {
            if (mayRead(*item)) {
                auto chosen = item;
                toRead.erase(order);
                return chosen;
            }
        }
        if (!mayMakeItem(0, 0))
            return {};
        items.push_back(makeItem(nextPath++));
        return nextToRead();
    }
};

// The taker's side of one file: waits for each block in turn.
class ZipReadAhead::ItemFeed final : public Feed {
public:
    ItemFeed(std::shared_ptr<State> state, std::shared_ptr<Item> item) :
        m_state(std::move(state)), m_item(std::move(item))
    {
    }

    ~ItemFeed() override
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->drop(*m_item);
        if (m_state->current == m_item)
            m_state->current.reset();
        m_state->wakeWorkerForBatch();
    }

    bool open(FileFacts* facts, ReadProblem* problem, QString* error) override
    {
        std::unique_lock lock(m_state->mutex);
        m_state->awaitItem(lock, *m_item, [this] { return m_item->opened; });
        return m_item->openAnswer(facts, problem, error);
    }

    bool next(Block* block, ReadProblem* problem, QString* error) override
    {
        std::unique_lock lock(m_state->mutex);
        Item& item = *m_item;
        m_state->awaitItem(lock, item, [&item] {
            return item.pieces.empty() ? item.readEnded : item.pieces.front()->done;
        });
        if (item.pieces.empty())
            return item.endAnswer(problem, error);
        const std::shared_ptr<Piece> piece = item.pieces.front();
        item.pieces.pop_front();
        m_state->heldBytes -= piece->block.length;
        m_state->wakeWorkerForBatch();
        if (!piece->handOver(block, problem, error))
            return false;
        m_state->recycle(piece->block);
        return true;
    }

private:
    std::shared_ptr<State> m_state;
    std::shared_ptr<Item> m_item;
};

// A file that was whole when taken: its blocks are handed over without the lock, which a file
// of one block would otherwise take three times more.
class ZipReadAhead::ReadyFeed final : public Feed {
public:
    ReadyFeed(std::shared_ptr<State> state, std::shared_ptr<Item> item) :
        m_state(std::move(state)), m_item(std::move(item)), m_pieces(std::move(m_item->pieces))
    {
        m_item->pieces.clear();
    }

    bool open(FileFacts* facts, ReadProblem* problem, QString* error) override
    {
        return m_item->openAnswer(facts, problem, error);
    }

    bool next(Block* block, ReadProblem* problem, QString* error) override
    {
        if (m_pieces.empty())
            return m_item->endAnswer(problem, error);
        const std::shared_ptr<Piece> piece = std::move(m_pieces.front());
        m_pieces.pop_front();
        if (!piece->handOver(block, problem, error))
            return false;
        m_state->takenBlocks.push_back(piece);
        return true;
    }

private:
    std::shared_ptr<State> m_state;
    std::shared_ptr<Item> m_item;
    std::deque<std::shared_ptr<Piece>> m_pieces;
};

struct ZipReadAhead::ReadResult {
    std::shared_ptr<Piece> piece; // null when the open or the read failed
    bool openedNow = false;
    bool openFailed = false;
    ReadProblem problem = ReadProblem::None;
    QString error;
};

// Reads the item's next block, opening it first; the lock is not held.
ZipReadAhead::ReadResult ZipReadAhead::readOn(Item& item, std::shared_ptr<Piece> piece)
{
    ReadResult r;
    if (!item.opened) {
        r.openedNow = true;
        r.openFailed = !item.source.open(item.path, item.level, &item.facts, &r.problem, &r.error);
        if (r.openFailed)
            return r;
    }
    if (item.source.next(&piece->block, &r.problem, &r.error))
        r.piece = piece;
    return r;
}

void ZipReadAhead::work(State& state)
{
    Compressor compressor;
    std::unique_lock lock(state.mutex);
    for (;;) {
        if (state.stopping)
            return;
        if (!state.toCompress.empty()) {
            auto [item, piece] = state.toCompress.front();
            state.toCompress.pop_front();
            if (item->dropped) {
                state.recycle(piece->block);
                continue;
            }
            state.wakeWorker();
            lock.unlock();
            QString error;
            const bool ok = compressor.compress(&piece->block, item->facts.level, &error);
            lock.lock();
            state.giveBack(piece->block.in);
            piece->failed = !ok;
            piece->error = error;
            piece->done = true;
            state.wakeTaker(*item);
            continue;
        }
        const std::shared_ptr<Item> item = state.nextToRead();
        if (!item) {
            ++state.idleWorkers;
            state.work.wait(lock);
            --state.idleWorkers;
            continue;
        }
        state.wakeWorker();
        std::shared_ptr<Piece> fresh = state.makePiece();
        lock.unlock();
        ReadResult r = readOn(*item, std::move(fresh));
        const std::shared_ptr<Piece> piece = r.piece;
        // The last block is compressed by the worker that read it: a small file then costs one
        // hand-over, not two.
        bool compressed = false;
        if (piece && piece->block.last) {
            piece->failed = !compressor.compress(&piece->block, item->facts.level, &piece->error);
            piece->done = compressed = true;
        }
        lock.lock();
        if (compressed)
            state.giveBack(piece->block.in);
        if (r.openedNow) {
            item->opened = true;
            item->openFailed = r.openFailed;
        }
        state.wakeTaker(*item);
        if (item->dropped) {
            if (piece)
                state.recycle(piece->block);
            continue;
        }
        if (!piece) {
            item->readEnded = item->readFailed = true;
            item->problem = r.problem;
            item->error = r.error;
            continue;
        }
        item->pieces.push_back(piece);
        state.heldBytes += piece->block.length;
        item->readEnded = piece->block.last;
        if (!compressed)
            state.toCompress.emplace_back(item, piece);
        if (!item->readEnded)
            state.toRead.emplace(item->order, item);
        if (!compressed || !item->readEnded)
            state.wakeWorker();
    }
}

ZipReadAhead::ZipReadAhead(int threads) : m_state(std::make_shared<State>())
{
    m_state->threads = qMax(1, threads);
    for (int i = 0; i < m_state->threads; ++i)
        m_workers.emplace_back([state = m_state] { work(*state); });
}

ZipReadAhead::~ZipReadAhead()
{
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        m_state->dropAll();
        m_state->work.notify_all();
        m_state->ready.notify_all();
    }
    for (std::thread& worker : m_workers)
        worker.join();
}

int ZipReadAhead::coresToUse()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return qMax(1, CPU_COUNT(&set));
}

void ZipReadAhead::expect(const QStringList& paths, int level, bool more)
{
    const std::lock_guard lock(m_state->mutex);
    if (more && level == m_state->level) {
        // Paths already made into items are not needed again: a run of many files keeps only
        // those still ahead.
        m_state->paths.remove(0, m_state->nextPath);
        m_state->pathsPassed += m_state->nextPath;
        m_state->nextPath = 0;
        m_state->paths.append(paths);
    } else {
        m_state->dropAll();
        m_state->paths = paths;
        m_state->level = level;
        m_state->nextPath = 0;
    }
    m_state->work.notify_all();
}

std::unique_ptr<DeflateBlocks::Feed> ZipReadAhead::take(const QString& path, int level)
{
    const std::lock_guard lock(m_state->mutex);
    State& s = *m_state;
    s.recycleTaken();
    if (s.current) {
        s.drop(*s.current);
        s.current.reset();
    }
    std::shared_ptr<Item> found;
    for (size_t i = 0; i < s.items.size() && !found; ++i) {
        if (s.items[i]->path == path) {
            s.dropItemsBefore(i);
            found = s.items.front();
            s.items.pop_front();
        }
    }
    const qsizetype end = qMin(s.paths.size(), s.nextPath + kSearch);
    for (qsizetype i = s.nextPath; i < end && !found; ++i) {
        if (s.paths.at(i) == path) {
            s.dropItemsBefore(s.items.size());
            found = s.makeItem(i);
            s.nextPath = i + 1;
        }
    }
    if (!found)
        return nullptr;
    if (found->level != level) {
        s.drop(*found);
        return nullptr;
    }
    ++g_filesTaken;
    if (State::whole(*found)) {
        for (const auto& piece : found->pieces)
            s.heldBytes -= piece->block.length;
        s.wakeWorkerForBatch();
        return std::make_unique<ReadyFeed>(m_state, found);
    }
    s.current = found;
    s.wakeWorkerForBatch();
    return std::make_unique<ItemFeed>(m_state, found);
}

qint64 ZipReadAhead::filesTaken() { return g_filesTaken; }
