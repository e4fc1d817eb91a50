#pragma once

#include <QString>
#include <QStringList>

#include "FileAttributes.h"
#include "RunOptions.h"

class CdRecorder;

// What a backup run needs from the window it runs in, and the services that live above the
// engine. The main window implements it; tests put a recording host in its place.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // Status: the one-line status box, the news box (read and replaced), the counters.
    virtual void setStatus(const QString& text) = 0;
    virtual void setNewsText(const QString& text) = 0;
    [[nodiscard]] virtual QString newsText() const = 0;
    enum class Counter { TotalFiles, TotalSize, CompSize, BackUpTime, ZipSize, AnzFiles, ZipArchive, RemainSpace };
    virtual void setCounter(Counter counter, const QString& text) = 0;
    // False for a run nobody watches: what only the news box and the counters show is not made
    // for each file.
    [[nodiscard]] virtual bool isWatched() const { return true; }
    // Progress bars 1 (source entries), 2 (files of an entry), 3 (cipher); -1 hides bar 3.
    virtual void setProgress(int bar, int value) = 0;
    // Plays a clip of Common/avi in the animation player; an empty name stops it.
    virtual void playAnimation(const QString& clip) = 0;
    virtual void repaint() = 0;
    // The caption of the FTP status label while a run talks to the server.
    virtual void setFtpCaption(const QString& caption) { Q_UNUSED(caption) }
    // Speaks the text when sound is on.
    virtual void speak(const QString& text) = 0;

    // The window's state around a run: locked for its length, then unlocked.
    virtual void beginRun() = 0;
    virtual void endRun(RunOutcome outcome, const QString& status) = 0;

    // The destination panel's refresh (true: the destination can be used) and its drive type.
    [[nodiscard]] virtual bool updateMedia() = 0;
    [[nodiscard]] virtual QString driveTypeText() const = 0;
    // The CD writer a run in CD mode writes its disc with; none where there is no writer.
    [[nodiscard]] virtual CdRecorder* cdRecorder() { return nullptr; }

    virtual void saveSettings() = 0;
    // File attributes of a path (-1 when it cannot be read), with the stat they came from for
    // the run to hand along; and the archive attribute of files whose backup was delivered,
    // cleared for good (a failure reported).
    [[nodiscard]] virtual int fileAttributes(const QString& path, FileAttributes::FileStat* stat = nullptr);
    virtual void clearArchiveAttributes(const QStringList& paths);

    // Starts a program before or after the run and waits as it asks (RunProgramAndWait), until
    // the run is cancelled; false, with the reason, when it could not start or a waited-for end
    // was not a good one.
    [[nodiscard]] virtual bool runProgram(const RunProgram& program, QString* failure);

    // After an interactive run: statistics, end sound, shutdown when asked.
    virtual void recordStatistics(bool countRun) = 0;
    virtual void playEndSound() = 0;
    virtual void shutdownAfterRun() = 0;
    // Ends the program: after an unattended run with its exit code, or when the user
    // refuses a new medium.
    virtual void exitProgram(int exitCode) = 0;
};
