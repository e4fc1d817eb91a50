#include "Quillaro_FileSync.h"

#include <utility>

#include <QHash>
#include <QSet>

#include "Clock.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "SyncFileOps.h"

using SyncFileOps::EntryKind;
using SyncFileOps::Failure;
using SyncFileOps::FolderEntry;
using Listing = QList<FolderEntry>;

namespace {

constexpr const char* kModule = "Quillaro_FileSync";
// FAT, exFAT and SMB keep coarse times; closer times are the same time.
constexpr qint64 kTimeToleranceNs = 2000000000;
constexpr int kDisplayLength = 40;
constexpr qint64 kElapsedRefreshMs = 100;
const QString kForward = QStringLiteral("  -->>  ");
const QString kBackward = QStringLiteral("  <<--  ");

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Head up to the first "/" from the fourth character on, "..." and the tail that fits. When
// the head alone is too long, the tail alone is shown rather than nothing.
QString shortenPath(const QString& path, int length)
{
    if (path.size() <= length)
        return path;
    const qsizetype slash = path.indexOf(QLatin1Char('/'), 3);
    const qsizetype head = slash < 0 ? 0 : slash + 1;
    const QString dots = QStringLiteral("...");
    if (head > length - 3)
        return dots + path.right(length - 3);
    return path.left(head) + dots + path.right(length - 3 - head);
}

QString displayPath(const QString& path)
{
    return shortenPath(path, kDisplayLength).leftJustified(kDisplayLength, QLatin1Char(' '));
}

int statusOf(const FolderEntry& source, const FolderEntry& destination)
{
    int status = 0;
    const qint64 later = destination.mtimeNs - source.mtimeNs;
    if (later < -kTimeToleranceNs)
        status = SyncNewerSource;
    else if (later > kTimeToleranceNs)
        status = SyncNewerDestination;
    if (source.readOnly != destination.readOnly)
        status |= SyncAttributes;
    if (source.size != destination.size)
        status |= SyncSizeDiffers;
    return status;
}

// File names compare case-sensitively, as the file system does.
CompareTable compareListings(const Listing& source, const Listing& destination)
{
    QHash<QString, const FolderEntry*> destinationFiles;
    for (const FolderEntry& e : destination) {
        if (e.kind == EntryKind::File)
            destinationFiles.insert(e.name, &e);
    }
    CompareTable table;
    QSet<QString> sourceNames;
    for (const FolderEntry& e : source) {
        if (e.kind != EntryKind::File)
            continue;
        sourceNames.insert(e.name);
        const auto other = destinationFiles.constFind(e.name);
        table.append(
            {e.name, other == destinationFiles.cend() ? SyncOnlySource : statusOf(e, **other)});
    }
    for (const FolderEntry& e : destination) {
        if (e.kind == EntryKind::File && !sourceNames.contains(e.name))
            table.append({e.name, SyncOnlyDestination});
    }
    return table;
}

// Both folders' entries, or the failure of the first that cannot be read.
std::optional<std::pair<Listing, Listing>> listPair(const QString& source,
                                                    const QString& destination, Failure* failure)
{
    auto sourceList = SyncFileOps::listFolder(source, failure);
    auto destinationList
        = sourceList ? SyncFileOps::listFolder(destination, failure) : std::nullopt;
    if (!destinationList)
        return std::nullopt;
    return std::pair{std::move(*sourceList), std::move(*destinationList)};
}

QString refusalText(SyncFileOps::PairRelation relation, const QString& source,
                    const QString& destination)
{
    if (relation == SyncFileOps::PairRelation::Same)
        return QStringLiteral("The source folder and the destination folder are the same folder: ")
               + source + QStringLiteral(". Nothing was synchronised.");
    return QStringLiteral("The folders ") + source + QStringLiteral(" and ") + destination
           + QStringLiteral(" lie one inside the other; synchronising them with their subfolders "
                            "would never end. Nothing was synchronised.");
}

enum class Action { None, Forward, Backward };

Action actionOf(int status)
{
    if (status == 0 || status == SyncAttributes)
        return Action::None;
    if (status == SyncOnlySource)
        return Action::Forward;
    if (status == SyncOnlyDestination)
        return Action::Backward;
    const bool destinationNewer = (status & SyncNewerDestination) && !(status & SyncNewerSource);
    return destinationNewer ? Action::Backward : Action::Forward;
}

// The state of one call of Sync_Folders or Sync_Files.
class SyncPass
{
public:
    SyncPass(const SyncOptions& options, SyncSink& sink) : m_options(options), m_sink(sink) {}

    [[nodiscard]] bool refuse(const QString& source, const QString& destination, bool tree,
                              const char* procedure);
    void syncFiles(const QString& source, const QString& destination);
    void syncTree(const QString& source, const QString& destination);
    [[nodiscard]] SyncResult result() const { return m_result; }

private:
    void compareAndCopy(const QString& source, const QString& destination,
                        const Listing& sourceList, const Listing& destinationList);
    void handleEntry(const QString& source, const QString& destination, const CompareEntry& entry);
    void syncSubfolders(const QString& source, const QString& destination,
                        const Listing& sourceList, const Listing& destinationList);
    [[nodiscard]] bool syncSubfolder(const QString& source, const QString& destination,
                                     const QString& name);
    void copyFolder(const QString& source, const QString& destination, const Listing& entries);
    void copyFolderAt(const QString& source, const QString& destination);
    void copyOne(const QString& from, const QString& to, const char* procedure);
    void startLine(const QString& source, const QString& destination);
    void report(const char* procedure, const Failure& failure);
    void showElapsed();
    void news(const QString& line) { m_sink.newsLine(line); }
    void pump() { m_sink.pumpEvents(); }
    [[nodiscard]] bool pumpAndCancelled();

    const SyncOptions& m_options;
    SyncSink& m_sink;
    SyncResult m_result;
    QString m_elapsed; // the seconds last shown, read from the clock at m_elapsedReadAt
    qint64 m_elapsedReadAt = 0;
};

bool SyncPass::refuse(const QString& source, const QString& destination, bool tree,
                      const char* procedure)
{
    const auto relation = SyncFileOps::relation(source, destination);
    if (relation == SyncFileOps::PairRelation::Apart
        || (relation == SyncFileOps::PairRelation::Nested && !tree))
        return false;
    const QString text = refusalText(relation, source, destination);
    m_result.refused = true;
    news(text);
    ReportError(ModulLabel(procedure, kModule), ErrNo::InvalidCall, text);
    MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation, AppName);
    return true;
}

void SyncPass::syncFiles(const QString& source, const QString& destination)
{
    startLine(source, destination);
    Failure failure;
    const auto pair = listPair(source, destination, &failure);
    if (!pair) {
        report("Sync_Files", failure);
        return;
    }
    compareAndCopy(source, destination, pair->first, pair->second);
}

void SyncPass::compareAndCopy(const QString& source, const QString& destination,
                              const Listing& sourceList, const Listing& destinationList)
{
    const CompareTable table = compareListings(sourceList, destinationList);
    if (pumpAndCancelled())
        return;
    const QString src = withSlash(source);
    const QString dst = withSlash(destination);
    for (const CompareEntry& entry : table) {
        handleEntry(src, dst, entry);
        if (pumpAndCancelled())
            return;
    }
}

void SyncPass::handleEntry(const QString& source, const QString& destination,
                           const CompareEntry& entry)
{
    const Action action = actionOf(entry.status);
    showElapsed();
    if (action == Action::None || (action == Action::Backward && !m_options.bothDirections))
        return;
    const QString from = source + entry.name;
    const QString to = destination + entry.name;
    const bool forward = action == Action::Forward;
    news(displayPath(from) + (forward ? kForward : kBackward) + to);
    pump();
    if (forward)
        copyOne(from, to, "Sync_Files");
    else
        copyOne(to, from, "Sync_Files");
}

void SyncPass::syncTree(const QString& source, const QString& destination)
{
    Failure failure;
    const auto sourceList = SyncFileOps::listFolder(source, &failure);
    if (!sourceList) {
        report("Sync_Folders", failure);
        return;
    }
    const auto destinationList = SyncFileOps::listFolder(destination, &failure);
    if (!destinationList) {
        copyFolder(source, destination, *sourceList);
        return;
    }
    startLine(source, destination); // the folder pair
    startLine(source, destination); // its file pass
    compareAndCopy(source, destination, *sourceList, *destinationList);
    if (pumpAndCancelled())
        return;
    syncSubfolders(withSlash(source), withSlash(destination), *sourceList, *destinationList);
}

// Depth first; the destination-only subfolders of a level come after all its source subfolders.
void SyncPass::syncSubfolders(const QString& source, const QString& destination,
                              const Listing& sourceList, const Listing& destinationList)
{
    QSet<QString> sourceNames;
    for (const FolderEntry& e : sourceList) {
        if (e.kind != EntryKind::Folder)
            continue;
        sourceNames.insert(e.name);
        if (!syncSubfolder(source, destination, e.name))
            return;
    }
    if (!m_options.bothDirections)
        return;
    for (const FolderEntry& e : destinationList) {
        if (e.kind != EntryKind::Folder || sourceNames.contains(e.name))
            continue;
        showElapsed();
        news(displayPath(destination + e.name) + kForward + source + e.name);
        pump();
        copyFolderAt(destination + e.name, source + e.name);
        if (pumpAndCancelled())
            return;
    }
}

bool SyncPass::syncSubfolder(const QString& source, const QString& destination, const QString& name)
{
    showElapsed();
    news(QStringLiteral("Synchronyze Dir: ") + name);
    pump();
    if (pumpAndCancelled())
        return false;
    showElapsed();
    news(displayPath(source + name) + kForward + destination + name);
    pump();
    syncTree(source + name, destination + name);
    return !pumpAndCancelled();
}

// The whole folder below the destination; its files write no lines of their own.
void SyncPass::copyFolder(const QString& source, const QString& destination, const Listing& entries)
{
    Failure failure;
    if (!SyncFileOps::makeFolder(destination, &failure)) {
        report("Sync_Folders", failure);
        return;
    }
    const QString src = withSlash(source);
    const QString dst = withSlash(destination);
    for (const FolderEntry& e : entries) {
        if (e.kind == EntryKind::File)
            copyOne(src + e.name, dst + e.name, "Sync_Folders");
        else if (e.kind == EntryKind::Folder)
            copyFolderAt(src + e.name, dst + e.name);
        if (pumpAndCancelled())
            return;
    }
}

void SyncPass::copyFolderAt(const QString& source, const QString& destination)
{
    Failure failure;
    const auto entries = SyncFileOps::listFolder(source, &failure);
    if (entries)
        copyFolder(source, destination, *entries);
    else
        report("Sync_Folders", failure);
}

void SyncPass::copyOne(const QString& from, const QString& to, const char* procedure)
{
    Failure failure;
    const auto bytes = SyncFileOps::copyFile(from, to, &failure);
    if (!bytes) {
        report(procedure, failure);
        return;
    }
    ++m_result.copied;
    m_result.bytes += *bytes;
}

void SyncPass::startLine(const QString& source, const QString& destination)
{
    showElapsed();
    news(displayPath(source) + kForward + destination);
    pump();
}

// A failed file is reported and the pass goes on with the next entry.
void SyncPass::report(const char* procedure, const Failure& failure)
{
    ++m_result.failed;
    news(failure.description);
    ReportError(ModulLabel(procedure, kModule), failure.number, failure.description);
}

// Told for every entry, yet the wall clock is read only a few times a second: reading it
// cost more than comparing the entry.
void SyncPass::showElapsed()
{
    const qint64 at = Clock::monotonicMs();
    if (m_elapsed.isNull() || at - m_elapsedReadAt >= kElapsedRefreshMs) {
        const int now = qRound(Clock::now().time().msecsSinceStartOfDay() / 1000.0);
        int seconds = now - m_options.startTime;
        if (seconds < 0) // the run went past midnight
            seconds += 24 * 60 * 60;
        m_elapsed = QString::number(seconds);
        m_elapsedReadAt = at;
    }
    m_sink.elapsedTime(m_elapsed);
}

bool SyncPass::pumpAndCancelled()
{
    pump();
    return m_sink.cancelRequested();
}

} // namespace

void SyncSink::pumpEvents()
{
    DoEvents();
}

bool Compare_Folders(const QString& source, const QString& destination, CompareTable& table,
                     QString* error)
{
    Failure failure;
    const auto pair = listPair(source, destination, &failure);
    if (!pair) {
        if (error)
            *error = failure.description;
        return false;
    }
    table = compareListings(pair->first, pair->second);
    return true;
}

SyncResult Sync_Folders(const QString& source, const QString& destination,
                        const SyncOptions& options, SyncSink& sink)
{
    SyncPass pass(options, sink);
    if (!pass.refuse(source, destination, true, "Sync_Folders"))
        pass.syncTree(source, destination);
    return pass.result();
}

SyncResult Sync_Files(const QString& source, const QString& destination, const SyncOptions& options,
                      SyncSink& sink)
{
    SyncPass pass(options, sink);
    if (!pass.refuse(source, destination, false, "Sync_Files"))
        pass.syncFiles(source, destination);
    return pass.result();
}
