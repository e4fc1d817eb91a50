#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "ArchiveNames.h"
#include "QEV_InetFTP.h"
#include "Quillaro_FileSelect.h"

enum class BackupMode { ZipArchive = 0, FileCopy = 1, FileSync = 2 };
enum class SelectionMode { NewOnly, Complete, CompleteNoFilter };
enum class WaitMode { DoNotWait, WaitForExit, WaitSeconds };

// One row of the source list.
struct SourceRow
{
    QString text;
    bool selected = false;
};

// A program started before or after a run.
struct RunProgram
{
    bool enabled = false;
    QString path;
    QString arguments;
    WaitMode wait = WaitMode::DoNotWait;
    QString waitSeconds; // as typed; its leading number counts
};

// The options of the current profile that a run reads, as the main window's controls hold
// them when the run starts.
struct RunOptions
{
    QString profile;
    BackupMode mode = BackupMode::ZipArchive;
    SelectionMode selection = SelectionMode::Complete;
    QList<SourceRow> sources;

    bool media = true;
    bool ftp = false;
    bool sendEmail = false;
    FtpSettings ftpSettings;
    bool cdRecorder = false;
    bool burnProof = false; // chkUseBurnProof
    QString pathBackUp;
    QString pathTemp;
    QString spareSpace = QStringLiteral("0"); // kilobytes kept free on the destination

    ArchivePeriod period = ArchivePeriod::Daily;
    QString maxZipSize = QStringLiteral("650"); // megabytes, as typed
    bool limitZipSize = true;                   // chkMaxZIPsize
    bool limitFiles = false;                    // chkMaxFiles
    QString maxFiles = QStringLiteral("1000");
    bool split = false;
    bool overwriteFile = true;
    int level = 6;
    bool writeLog = true;
    bool appendArchive = false;
    bool encrypt = false;
    QString password;
    bool deleteArchive = false;
    QString deleteArchiveDays = QStringLiteral("30");
    bool resetArchiveBit = false;
    bool hiddenFiles = false;
    bool inclSubDirStruct = true;
    bool inclRegistry = false;
    bool registryAsText = false;

    // The no-filter choice and the date filters (the selection above decides the former).
    FileFilterOptions filters;

    RunProgram before;
    RunProgram after;
    bool shutdown = false;

    QString sourceSync;
    QString destinySync;
    bool syncBothDirections = false;
    bool syncSubDirs = true;
};

// How a run ended. Order matters: a worse outcome replaces a better one.
enum class RunOutcome {
    Completed,             // the work was done and delivered
    CompletedWithProblems, // delivered, but something it was asked to take was left out
    Cancelled,             // the user stopped it
    Failed,    // a step failed: an archive not delivered, a file not copied, a run-time failure
    Abandoned, // it could not start its work (the destination was not usable, bad options)
};

// The exit code of an unattended run that ended so: 0 completed, 3 completed with problems,
// 1 for every other end.
[[nodiscard]] constexpr int RunExitCode(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed:
        return 0;
    case RunOutcome::CompletedWithProblems:
        return 3;
    default:
        return 1;
    }
}
