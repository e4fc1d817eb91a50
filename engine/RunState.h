#pragma once

#include "FileAttributes.h"

#include <functional>

#include <QSet>
#include <QString>
#include <QStringList>

#include "RunOptions.h"

// The figures and the outcome of one run, shared by its passes.
struct RunTally
{
    double copiedBytes = 0;
    double compressedBytes = 0;
    int totalFiles = 0;
    int filesHandled = 0; // files added, skipped or split: a run with none processed nothing
    int leftOut = 0;      // files or sources it was asked to take and did not
    int sourcesFound = 0; // selected source rows that were there to be read
    RunOutcome outcome = RunOutcome::Completed;
    // The user refused a new medium: the program ends without finishing the run.
    bool programEnds = false;
    // A part could not be delivered: its working files stay in the temp folder.
    bool keepWorkingFiles = false;
    // Files this run wrote at the destination; the clean-up of old archives spares them.
    QSet<QString> writtenThisRun;

    // A worse outcome replaces a better one, never the other way round.
    void worsen(RunOutcome to)
    {
        if (static_cast<int>(to) > static_cast<int>(outcome))
            outcome = to;
    }
};

class CdRecorder;
class RunHost;
class RunLock;
struct MediaOptions;

// Asks for a new medium. True when the user put one in and the destination can be used;
// false when it cannot, or when the user refused, which ends the program (tally.programEnds).
[[nodiscard]] bool Insert_new_media(RunHost& host, RunTally& tally);

// Shows the medium animation and asks for a new medium; false only when the program is to end.
[[nodiscard]] bool AskForNewMedium(RunHost& host, RunTally& tally);

// The key the archives are encrypted with.
[[nodiscard]] QString ArchiveKey(const QString& password);

// Whole number of a typed text, its leading number as the option boxes read it (0 when none);
// halves go to the even neighbour.
[[nodiscard]] int LeadingWholeNumber(const QString& text);

// The one reading of a number box a run uses: a number of zero or more, blanks around it
// allowed. False for an empty, non-numeric or negative text.
[[nodiscard]] bool ReadNumberBox(const QString& text, double* value);

// Names in the error log something the run was asked to take and left out, and marks the
// run as completed with problems.
void NoteLeftOut(RunTally& tally, const QString& label, int number, const QString& what, const QString& why);

// Deletes the files directly in the folder (never below it) whose names ours() accepts and
// that were last written more than days ago, sparing those of keep; failures are reported.
void DeleteOwnFiles(const QString& folder, const std::function<bool(const QString&)>& ours, int days,
                    const QSet<QString>& keep = {});
// Deletes the working files a run of the profile leaves in its temp folder, and nothing else:
// never another profile's, nor a file of the user that merely holds "_BackUp_".
void DeleteWorkingFiles(const QString& tempFolder, const QString& profile);
void DeleteWorkingFiles(const RunOptions& options);
// The clean-up a load of the profile does: only the profile's own working files go, and not
// while a run of it is using them, nor where a finished archive could lie (logged).
void ClearWorkingFilesAtLoad(const QString& tempFolder, const QString& destination, const QString& profile);
// The same with the profile's lock of the run that follows the load: taken here when it is
// free, and kept, so that no other run comes between the clean-up and the run.
void ClearWorkingFilesAtLoad(const QString& tempFolder, const QString& destination, const QString& profile,
                             RunLock& lock);

// Lets pending window messages be processed, at most four times a second:
// per file, painting the window would cost more than the backup.
void PumpEvents();

// Puts a line at the top of the news box, which keeps its first 2000 characters.
void PrependNews(RunHost& host, const QString& line);

// The destination options of a run, as the free-space measurements take them.
[[nodiscard]] MediaOptions MediaOptionsOf(const RunOptions& options);
// The same with the CD writer a run writes its disc with.
[[nodiscard]] MediaOptions MediaOptionsOf(const RunOptions& options, CdRecorder& cd);

// The attribute bits of the file or folder; -1 when it does not exist, 0 when it cannot be
// queried (reported). The stat the bits came from goes to *stat when one is given.
[[nodiscard]] qint32 GetAttributes(const QString& Path, FileAttributes::FileStat* stat = nullptr);
