#pragma once

#include <QList>
#include <QString>

// The "File sync" backup mode: brings two folders (or two folder trees) up to date with each
// other by copying only; nothing is ever deleted, renamed or moved.

// One entry of the comparison of two folders.
struct CompareEntry
{
    QString name;   // file name as the side it was found on spells it
    int status = 0; // one of the codes below, or bits of SyncNewerSource ... SyncAttributes
};

inline constexpr int SyncOnlySource = -2; // or the destination copy cannot be read
inline constexpr int SyncOnlyDestination = -1;
inline constexpr int SyncNewerSource = 1;
inline constexpr int SyncNewerDestination = 2;
inline constexpr int SyncSizeDiffers = 4;
inline constexpr int SyncAttributes = 8;

// Source files first in the folder's order, then the destination-only files; empty when
// neither folder holds a file.
using CompareTable = QList<CompareEntry>;

// What a synchronisation is told by the run.
struct SyncOptions
{
    bool bothDirections = false; // chkSyncBothDirections
    int startTime = 0;           // g_lStartTime: whole seconds since midnight at the run's start
};

// Where a synchronisation shows its progress: the main window, or a test's recorder.
class SyncSink
{
public:
    virtual ~SyncSink() = default;
    // A line for the top of the news box RtbNews1.
    virtual void newsLine(const QString& line) = 0;
    // The run's elapsed seconds for txtBackUpTime, already formatted.
    virtual void elapsedTime(const QString& seconds) = 0;
    // The Stop command was given (g_bCancelBackUp).
    [[nodiscard]] virtual bool cancelRequested() = 0;
    // Lets pending window messages be processed.
    virtual void pumpEvents();
};

// What a synchronisation did, so that the run can tell a failed file from success.
struct SyncResult
{
    int copied = 0;
    int failed = 0;
    qint64 bytes = 0;
    bool refused = false; // the folder pair was not synchronised at all
};

// Compares the files (not the subfolders) of two folders. A folder that cannot be read gives
// false and the reason.
[[nodiscard]] bool Compare_Folders(const QString& source, const QString& destination,
                                   CompareTable& table, QString* error = nullptr);

// Synchronises the two folder trees, depth first.
SyncResult Sync_Folders(const QString& source, const QString& destination,
                        const SyncOptions& options, SyncSink& sink);

// Synchronises the files of the two folders, not their subfolders.
SyncResult Sync_Files(const QString& source, const QString& destination, const SyncOptions& options,
                      SyncSink& sink);
