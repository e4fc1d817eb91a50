#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "FileAttributes.h"
#include "RunOptions.h"
#include "RunState.h"

class RunHost;
class CopyPass;
class ZipPass;

// One backup run of a profile, from the locking of the window to its end: preparation, the
// programs before and after, the source walk of a "ZIP archive" run and the end of the run.
class BackupRun
{
    Q_DISABLE_COPY(BackupRun)
public:
    BackupRun(const RunOptions& options, RunHost& host);
    ~BackupRun();

    // Carries the run out. An unattended run (g_bAutoRun) ends through host.exitProgram().
    RunOutcome cmdBackUpNow();

    // Why the folders of a run cannot be used, or empty when they can: the temp folder must
    // be set and must not be the destination itself (links resolved).
    [[nodiscard]] static QString refuseFolders(const QString& temp, const QString& destination);

private:
    enum class Next { Work, AfterStep, FinalCleanUp };

    Next prepare();
    Next refuseUnavailable();
    [[nodiscard]] QString badNumberBox() const;
    bool startProgram(const RunProgram& program, QString* failure);
    Next runBefore();
    Next syncFolders();
    [[nodiscard]] QString refuseSyncFolders() const;
    Next prepareArchive();
    [[nodiscard]] double tempBytesNeeded(double maxPartBytes) const;
    bool prepareDisc();
    Next openArchive();
    Next prepareCopy();
    Next walk();
    Next mediumCheck();
    void leaveOut(const QString& what, const QString& why);
    [[nodiscard]] static QString whyNotThere(const QString& entry);
    bool sourceThere(const QString& entry);
    void processEntry(const QString& entry);
    // What the run does with a file, decided before the file's turn, so that the files to be
    // added can be read ahead.
    struct FilePick {
        bool passedOver = false; // hidden or system, and those are not backed up
        bool filtered = false;
        bool archiveBit = true;
        FileAttributes::FileStat stat; // the one look at the file, handed along
        int partsFinished = 0; // when the pick was made
    };
    FilePick pick(const QString& file);
    void pickAhead(const QStringList& files, std::vector<FilePick>* picks, int count, bool more);
    // A folder row listed, and its first files picked, while the row before it is taken, so
    // that the read-ahead goes on from one row to the next.
    struct RowListing {
        qsizetype row = -1;
        QStringList files; // as g_sFoundFiles holds them
        QStringList undecodable;
        std::vector<FilePick> picks;
    };
    [[nodiscard]] static RowListing listRow(const QString& entry);
    [[nodiscard]] static int pickCount(const QStringList& files) { return qMax(int(files.size()) - 1, 1); }
    void listNextRow();
    [[nodiscard]] RowListing listingFor(const QString& entry, RowListing ahead) const;
    [[nodiscard]] bool pickedBeforePart(const FilePick& choice) const;
    [[nodiscard]] bool goesToArchive(const QString& file, const FilePick& choice) const;
    bool take(const QString& file, const FilePick& choice);
    bool processFile(const QString& file);
    void exportRegistry();
    Next handOver();
    void afterStep();
    void finalCleanUp();
    void finish();
    void failRun(int number, const QString& description);
    void showElapsed();
    [[nodiscard]] bool maxZipBytes(double* bytes);

    const RunOptions& m_options;
    RunHost& m_host;
    RunTally m_tally;
    std::unique_ptr<ZipPass> m_zip;
    std::unique_ptr<CopyPass> m_copy;
    qint64 m_startMs = 0;
    int m_startSecondsOfDay = 0;
    int m_entryIndex = 0;
    QString m_currentFile;
    bool m_tempUsable = false;
    RowListing m_nextRow;
};
